// A bus scan from the command line: checks RANGE and --rates, then scans the
// open serial link in its own format. Used by scan and gateway.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ScanFind;

struct ScanRequest {
  std::string range;        // e.g. A-Z, 0-255, 65
  std::vector<long> rates;  // empty: the link's rate
};

// Before the link opens: false with a message when the range or a rate is
// not one a scan takes.
bool CheckScanRequest(const ScanRequest& request);
// Scans the open link, calling found for each device that answers, then
// opens the port afresh at the link's settings. exit_done; or, reported,
// exit_usage (Ethernet, or the link's rate not tried), exit_link (the port
// refused a format) or exit_device (nobody answered).
int RunScan(const ScanRequest& request, const std::function<void(const ScanFind&)>& found);
