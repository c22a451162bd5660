// What a device's answers tell of its kind, for devices the operator did not
// declare: amplifiers and outdoor controllers answer the same polls in
// layouts of their own.
#pragma once

struct protocol_struct;

// After an answer of the device has been parsed, its frame still in reply: a
// device taken for an amplifier whose status answer is too short for an
// amplifier's is an outdoor controller; one taken for a controller whose
// identification has the amplifiers' current format is an amplifier. True
// when the kind changed: the record then starts afresh.
bool LearnKind(int address, const protocol_struct& reply);
// A controller's part number from its answer to the identification "0".
void ReadControllerIdentity(int address, const protocol_struct& reply);
// Polling: both of the above after every answer, so that watchers see a
// device as the kind it is.
void FollowDeviceKinds(bool on);
