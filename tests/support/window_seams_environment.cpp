// Test programs of the console's windows see panels and message boxes as the
// console does from start-up on.
#include <gtest/gtest.h>

#include "records/window_seams.h"

namespace {

class WindowSeams : public ::testing::Environment {
 public:
  void SetUp() override { InstallWindowSeams(); }
};

[[maybe_unused]] const auto* const window_seams =
    ::testing::AddGlobalTestEnvironment(new WindowSeams);

}  // namespace
