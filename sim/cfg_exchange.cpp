#include "sim/cfg_exchange.h"

#include <algorithm>
#include <charconv>

#include "sim/tessary_codec.h"
#include "sim/text_format.h"

namespace sim {

namespace {

// A console that sends lines for days must not make the simulator grow without end.
constexpr std::size_t max_bodies = 1000;

constexpr std::string_view y0_fault_names[] = {"off", "short", "oversize", "binary"};

// A line the console must store without cutting it at a NUL or taking it for text.
std::string BinaryLine() {
  std::string line(1, '\0');
  for (int byte = 0x80; byte <= 0xFF; ++byte) line.push_back(static_cast<char>(byte));
  line += std::string(1, '\0') + "\r\n";
  return line;
}

}  // namespace

Answer CfgExchange::Fetch(std::size_t body_room) {
  ++fetches_;
  return FetchAnswer(body_room);
}

Answer CfgExchange::FetchAnswer(std::size_t body_room) const {
  // The console keeps the answer without its first three and last three bytes, so the text
  // sits between the kind letter and a closing zero byte.
  Answer answer{false, true, "Y"};
  if (y0_fault_ == Y0Fault::short_reply) return answer;  // a frame of five bytes
  answer.body += file_.Text();
  if (y0_fault_ == Y0Fault::binary) answer.body += BinaryLine();
  if (y0_fault_ == Y0Fault::oversize) {
    // Past the longest the family carries, sent whole: over 3000 bytes in Tessary.
    if (answer.body.size() < body_room + 5) answer.body.resize(body_room + 5, '.');
    answer.overflow = true;
  }
  answer.body.push_back('\0');
  return answer;
}

Answer CfgExchange::Store(std::string_view body) {
  if (bodies_.size() == max_bodies) bodies_.pop_front();
  bodies_.emplace_back(body);
  ++received_;
  if (y1_fault_ != Y1Fault::none && received_ >= y1_fault_from_)
    return Answer{y1_fault_ == Y1Fault::nak, false, {}, y1_fault_ == Y1Fault::silent};
  const bool stored = file_.Store(body.substr(2)).empty();
  return Answer{!stored, false, stored ? "Y1" : ""};
}

std::string CfgExchange::SetY1Fault(std::string_view value) {
  if (value == "off") {
    y1_fault_ = Y1Fault::none;
    return "";
  }
  const auto blank = value.find(' ');
  const std::string_view kind = value.substr(0, blank);
  const std::string_view count = blank == std::string_view::npos ? "" : value.substr(blank + 1);
  long from = 0;
  const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), from);
  if ((kind != "silent" && kind != "nak") || error != std::errc() ||
      end != count.data() + count.size() || from < 1)
    return "y1_fault takes silent N, nak N or off";
  y1_fault_ = kind == "silent" ? Y1Fault::silent : Y1Fault::nak;
  y1_fault_from_ = received_ + from;
  return "";
}

std::optional<std::string> CfgExchange::Set(std::string_view field, std::string_view value) {
  if (field == "cfg") {
    std::string bytes;
    if (!Unescaped(value, &bytes)) return "cfg takes bytes with \\xNN escapes";
    file_.Load(bytes);
    return "";
  }
  if (field == "y1_fault") return SetY1Fault(value);
  if (field == "y0_fault") {
    for (std::size_t i = 0; i < std::size(y0_fault_names); ++i) {
      if (value == y0_fault_names[i]) {
        y0_fault_ = static_cast<Y0Fault>(i);
        return "";
      }
    }
    return "y0_fault takes short, oversize, binary or off";
  }
  return std::nullopt;
}

bool CfgExchange::Get(std::string_view field, std::string* value) const {
  if (field == "cfg") {
    *value = Escaped(file_.Text());
  } else if (field == "y0_text") {
    const std::string body = FetchAnswer(TessaryCodec().BodyRoom(true)).body;
    *value = Escaped(std::string_view(body).substr(1, body.size() - (body.size() > 1 ? 2 : 1)));
  } else if (field == "y0_count") {
    *value = std::to_string(fetches_);
  } else if (field == "y1_bodies") {
    *value = std::to_string(bodies_.size());
    for (const std::string& body : bodies_) *value += " " + Escaped(body, true);
  } else if (field == "y1_fault") {
    // Counted as when set: 1 is the next "Y1".
    const long from = std::max(y1_fault_from_ - received_, 1L);
    *value = y1_fault_ == Y1Fault::none
                 ? "off"
                 : (y1_fault_ == Y1Fault::silent ? "silent " : "nak ") + std::to_string(from);
  } else if (field == "y0_fault") {
    *value = y0_fault_names[static_cast<int>(y0_fault_)];
  } else {
    return false;
  }
  return true;
}

}  // namespace sim
