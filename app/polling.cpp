#include "app/polling.h"

// The polling engine and the framing it needs arrive together; until then a
// tick has nothing to poll, as with no panel open.
void PollSequence() {}
void PollEthernet() {}
