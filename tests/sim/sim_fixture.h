// A simulator process and a line to it, per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bus_client.h"
#include "support/sim_process.h"

namespace sim_test {

class SimTest : public ::testing::Test {
 protected:
  // Readings stand still and hours do not count, unless the arguments say otherwise later.
  void Launch(std::vector<std::string> args, Family family = Family::tessary) {
    args.insert(args.begin(), {"--steady", "--hour-ms", "0", "--seed", "1"});
    if (family == Family::quillon) args.push_back("--quillon");
    std::string error;
    ASSERT_TRUE(sim_.Start(args, &error)) << error;
    bus_ = std::make_unique<BusClient>(sim_.LinkPath(), family);
    ASSERT_TRUE(bus_->IsOpen());
  }
  std::string Ok(const std::string& command) {
    const std::string answer = sim_.Control(command);
    EXPECT_EQ(answer.substr(0, 2), "ok") << command << ": " << answer;
    return answer.size() > 3 ? answer.substr(3) : "";
  }

  test_support::SimProcess sim_;
  std::unique_ptr<BusClient> bus_;
};

}  // namespace sim_test
