// Every test of the console's windows sees device updates refresh the panels
// as the console does from start-up on.
#include <gtest/gtest.h>

#include "app/popup.h"
#include "records/device_records.h"

namespace {

class PanelRefresh : public ::testing::Environment {
 public:
  void SetUp() override { AddDeviceUpdateListener(UpdatePopup); }
};

[[maybe_unused]] const auto* const panel_refresh =
    ::testing::AddGlobalTestEnvironment(new PanelRefresh);

}  // namespace
