// The bus scan's engine: tries every combination of address, rate, parity,
// data bits and stop bits that the scan ranges allow, one per step, over the
// scan link, and keeps what the "Scanning" dialog shows. No window here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/capture.h"

struct ScanCombination {
  std::int32_t address = 0;
  std::int32_t baud = 0;
  std::uint8_t parity = 0;  // the link settings' parity code
  std::uint8_t data = 8;
  std::uint8_t stop = 0;  // the link settings' stop-bit code
};

// A device that answered: where, and its found line.
struct ScanFind {
  ScanCombination combination;
  std::string line;
};

enum class ScanStep {
  idle,          // paused, finished or stopped by an error: nothing done
  nothing,       // a combination tried, nobody answered
  found,         // a device answered; the scan is paused
  complete,      // the last combination has been tried
  serial_error,  // the port could not be set to the combination; the scan stops
};

// (Re)starts the scan from start_address over the scan ranges.
void StartScan();
// One step; see ScanStep.
ScanStep StepScan();
// Flips scan_paused; a completed scan that is set running starts afresh.
void FlipScanPause();

// The combination tried last (or about to be tried first).
const ScanCombination& CurrentCombination();
long ScanTotal();
long ScanTried();
int ScanPercent();
// The no-answer time of the combinations not yet tried, in ms.
long ScanMsecLeft();
int DevicesFound();
// Every device found since the scans' list was last cleared, oldest first.
const std::vector<ScanFind>& ScanFinds();
void ClearScanFinds();
// Milliseconds since the scan started, on the link's clock.
std::int64_t ScanElapsedMsec();

// How long a combination takes when nobody answers: two tries of
// SerialTime(32, rate) + 100 ms, each followed by the 100 ms pause.
long NoAnswerMsec(std::int32_t baud);
// The number of combinations the ranges give and their no-answer time.
long CombinationCount();
long CombinationsMsec();

// Texts as shown.
std::string ElapsedText(std::int64_t msec);        // "mm:ss", from an hour on "hh:mm:ss"
std::string ProgressText();                        // "Scanning... 00:12, 40% complete"
std::string CompleteText();                        // "2 devices found (00:12)"
std::string AddressShown(std::int32_t address);    // "'A'  (65)"
const char* ParityName(std::uint8_t parity);       // "NONE", "ODD", "EVEN"
std::string FormatText(const ScanCombination& c);  // "19200 N 8 2"
// The found-device line from an identification answer; a byte outside
// the answer shows as '?'.
std::string FoundLine(const protocol_struct& reply);
