#include "sim/fault_log.h"

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr std::size_t record_size = 21;
constexpr std::size_t max_records = 100;

}  // namespace

FaultLog::FaultLog() {
  // A tube with some history, so that a printed fault log is not empty.
  Add(112, "HELIX OVERCUR");
  Add(845, "ARC DETECT");
  Add(1210, "COOLING FAN");
}

void FaultLog::Add(double beam_hours, std::string_view text) {
  std::string record = Hours(beam_hours) + " " + Column(text, 13);
  record.push_back('\0');
  records_.push_back(record);
  if (records_.size() > max_records) records_.pop_front();
}

std::string FaultLog::Records(std::size_t room) const {
  const std::size_t count = std::min(records_.size(), room / record_size);
  std::string bytes;
  for (std::size_t i = records_.size() - count; i < records_.size(); ++i) bytes += records_[i];
  return bytes;
}

}  // namespace sim
