#include "sim/fault_log.h"

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr std::size_t record_size = 21;
constexpr std::size_t max_records = 100;
constexpr double generated_hours_step = 7;
constexpr std::string_view generated_names[] = {"HELIX OVERCUR", "ARC DETECT", "COOLING FAN",
                                                "CATHODE LOW", "BODY OVERCUR"};

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

Answer FaultLog::Reply(std::size_t body_room) {
  ++requests_;
  if (mode_ == Mode::silent) return Answer{false, false, {}, true};
  if (mode_ == Mode::nak) return Answer{true, false, {}};
  if (!raw_) return Answer{false, false, "4" + Records(body_room - 1)};
  Answer answer{false, false, "4" + *raw_};
  answer.overflow = true;
  return answer;
}

std::string FaultLog::Control(std::string_view setting) {
  const auto blank = setting.find(' ');
  const std::string_view verb = setting.substr(0, blank);
  const std::string_view value =
      blank == std::string_view::npos ? std::string_view() : setting.substr(blank + 1);
  double number = 0;
  if (verb == "answer" || verb == "silent" || verb == "nak") {
    mode_ = verb == "answer" ? Mode::answer : verb == "silent" ? Mode::silent : Mode::nak;
  } else if (verb == "clear") {
    records_.clear();
    raw_.reset();
  } else if (verb == "add") {
    const auto space = value.find(' ');
    if (!ParseNumber(value.substr(0, space), &number) || number < 0)
      return "faultlog add takes HOURS TEXT";
    Add(number, space == std::string_view::npos ? "" : Printable(value.substr(space + 1)));
    raw_.reset();
  } else if (verb == "generate") {
    if (!ParseNumber(value, &number) || number < 0 || number > max_records)
      return "faultlog generate takes 0 to 100 records";
    records_.clear();
    raw_.reset();
    for (int n = 0; n < static_cast<int>(number); ++n)
      Add(n * generated_hours_step,
          std::string(generated_names[n % std::size(generated_names)]) + " " + std::to_string(n));
  } else if (verb == "raw") {
    std::string bytes;
    if (!Unescaped(value, &bytes)) return "faultlog raw takes bytes with \\xNN escapes";
    raw_ = std::move(bytes);
  } else {
    return "faultlog takes answer, silent, nak, clear, add, generate or raw";
  }
  return "";
}

}  // namespace sim
