#include "sim/xmodem_peer.h"

#include <charconv>

#include "sim/frame_codec.h"

namespace sim {

namespace {

constexpr char soh = 0x01;
constexpr char eot = 0x04;
constexpr char can = 0x18;
constexpr char sub = 0x1A;
constexpr std::size_t block_size = 128;
constexpr int start_wait_ms = 60000;   // a sender waits this long for the receiver's start
constexpr int answer_wait_ms = 10000;  // then sends the packet again
constexpr int max_tries = 10;
constexpr int packet_gap_ms = 1000;  // a packet cut off this long is given up
constexpr int quiet_ms = 100;        // after a bad packet the line must rest this long
// Noise without any byte that could start a packet or end the file.
constexpr std::string_view noise_bytes = "\xFF\x7F noise\x00\xFE";

const std::string cancel_bytes = {can, can};

struct FaultName {
  std::string_view name;
  int XmodemFaults::*block;
};

constexpr FaultName block_faults[] = {
    {"drop_ack", &XmodemFaults::drop_ack},
    {"repeat", &XmodemFaults::repeat},
    {"damaged_repeat", &XmodemFaults::damaged_repeat},
    {"corrupt", &XmodemFaults::corrupt},
    {"noise", &XmodemFaults::noise},
    {"cancel", &XmodemFaults::cancel},
};

int Blocks(std::size_t size) {
  return static_cast<int>((size + block_size - 1) / block_size);
}

std::string Number(int value) {
  return std::to_string(value);
}

}  // namespace

std::string XmodemFaults::Parse(std::string_view text) {
  XmodemFaults faults;
  while (!text.empty() && text != "off") {
    const auto blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    if (word == "nak_eot" || word == "failed") {
      (word == "nak_eot" ? faults.nak_eot : faults.failed) = true;
      continue;
    }
    const auto equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    int block = 0;
    const char* first = word.data() + (equals == std::string_view::npos ? word.size() : equals + 1);
    const char* last = word.data() + word.size();
    const auto [end, error] = std::from_chars(first, last, block);
    bool known = false;
    for (const FaultName& fault : block_faults) {
      if (fault.name != name) continue;
      known = error == std::errc() && end == last && block >= 1;
      faults.*fault.block = block;
    }
    if (!known)
      return "xmodem_fault takes off or drop_ack=K repeat=K damaged_repeat=K corrupt=K "
             "noise=K cancel=K nak_eot failed";
  }
  *this = faults;
  return "";
}

std::string XmodemFaults::Text() const {
  std::string text;
  for (const FaultName& fault : block_faults) {
    if (this->*fault.block > 0)
      text += std::string(fault.name) + "=" + Number(this->*fault.block) + " ";
  }
  if (nak_eot) text += "nak_eot ";
  if (failed) text += "failed ";
  if (text.empty()) return "off";
  text.pop_back();
  return text;
}

std::uint16_t XmodemCrc(std::string_view bytes) {
  // Polynomial 0x1021, no reflection, starting from zero: bit by bit, as the definition reads.
  std::uint16_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
  }
  return crc;
}

void XmodemLog::Add(std::string_view event) {
  // A transfer of megabytes must not make the log grow without end.
  constexpr std::size_t max_log = 64 * 1024;
  if (text_.size() > max_log) return;
  if (!text_.empty()) text_ += ' ';
  text_ += event;
}

XmodemSender::XmodemSender(std::string data, const XmodemFaults& faults, XmodemLog& log,
                           Clock::time_point now)
    : data_(std::move(data)), faults_(faults), log_(log), sent_at_(now) {}

std::string XmodemSender::Packet(int index, bool damaged) const {
  std::string block = data_.substr((index - 1) * block_size, block_size);
  block.resize(block_size, sub);
  const auto number = static_cast<unsigned char>(index & 0xFF);
  std::string packet = {soh, static_cast<char>(number), static_cast<char>(255 - number)};
  packet += block;
  if (crc_) {
    const std::uint16_t crc = XmodemCrc(block);
    packet.push_back(static_cast<char>(crc >> 8));
    packet.push_back(static_cast<char>(crc & 0xFF));
  } else {
    unsigned sum = 0;
    for (unsigned char byte : block) sum += byte;
    packet.push_back(static_cast<char>(sum & 0xFF));
  }
  if (damaged) packet[3 + 10] ^= 0x55;
  return packet;
}

std::string XmodemSender::Fail(const char* why) {
  log_.Add(why);
  result_ = Result::failed;
  return cancel_bytes;
}

std::string XmodemSender::Next(Clock::time_point now) {
  sent_at_ = now;
  naks_ = 0;
  const bool repeat = index_ > 0 && (faults_.repeat == index_ || faults_.damaged_repeat == index_);
  if (repeat && !repeated_) {
    repeated_ = true;
    const bool damaged = faults_.damaged_repeat == index_;
    log_.Add((damaged ? "damaged-repeat:" : "repeat:") + Number(index_));
    return Packet(index_, damaged);
  }
  repeated_ = false;
  if (index_ >= Blocks(data_.size())) {
    index_ = Blocks(data_.size()) + 1;
    eot_sent_ = true;
    log_.Add("eot");
    return {eot};
  }
  ++index_;
  if (faults_.cancel == index_) return Fail(("cancel:" + Number(index_)).c_str());
  std::string bytes;
  if (faults_.noise == index_) bytes = std::string(noise_bytes);
  const bool damaged = faults_.corrupt == index_;
  log_.Add((damaged ? "corrupt:" : "block:") + Number(index_));
  return bytes + Packet(index_, damaged);
}

std::string XmodemSender::Resend(Clock::time_point now) {
  sent_at_ = now;
  if (++naks_ > max_tries) return Fail("too-many-retries");
  if (eot_sent_) {
    log_.Add("eot");
    return {eot};
  }
  log_.Add("resend:" + Number(index_));
  return Packet(index_, false);
}

std::string XmodemSender::Feed(std::string_view bytes, Clock::time_point now) {
  std::string out;
  for (char byte : bytes) {
    if (result_ != Result::running) break;
    const bool was_can = last_can_;
    last_can_ = byte == can;
    if (byte == can) {
      if (was_can) {
        log_.Add("cancelled");
        result_ = Result::failed;
      }
      continue;
    }
    if (!started_) {
      if (byte != nak && byte != 'C') continue;
      started_ = true;
      crc_ = byte == 'C';
      log_.Add(crc_ ? "start:C" : "start:NAK");
      out += Next(now);
    } else if (byte == ack) {
      log_.Add(eot_sent_ ? "ack:eot" : "ack:" + Number(index_));
      if (eot_sent_) {
        result_ = Result::done;
        break;
      }
      out += Next(now);
    } else if (byte == nak || (byte == 'C' && index_ == 1)) {
      // A receiver that repeats its start byte has not seen the first block.
      log_.Add(byte == nak ? "nak" : "nak:C");
      out += Resend(now);
    }
  }
  return out;
}

std::string XmodemSender::Poll(Clock::time_point now) {
  if (result_ != Result::running || now < NextWake()) return "";
  if (!started_) {
    log_.Add("no-start");
    result_ = Result::failed;
    return "";
  }
  log_.Add("timeout");
  return Resend(now);
}

Clock::time_point XmodemSender::NextWake() const {
  return After(sent_at_, started_ ? answer_wait_ms : start_wait_ms);
}

XmodemReceiver::XmodemReceiver(const XmodemStart& start, const XmodemFaults& faults, XmodemLog& log,
                               Clock::time_point now)
    : start_(start),
      faults_(faults),
      log_(log),
      crc_(start.byte == 'C'),
      next_start_(After(now, start.delay_ms)),
      last_byte_(now) {}

std::string XmodemReceiver::Cancel(const char* why) {
  log_.Add(why);
  result_ = Result::failed;
  return cancel_bytes;
}

std::string XmodemReceiver::Feed(std::string_view bytes, Clock::time_point now) {
  if (result_ != Result::running) return "";
  last_byte_ = now;
  // The rest of a bad packet is thrown away until the line falls quiet.
  if (purging_) return "";
  buffer_.append(bytes);
  return Take(now);
}

std::string XmodemReceiver::Take(Clock::time_point now) {
  std::string out;
  while (!buffer_.empty() && result_ == Result::running && !purging_) {
    const char first = buffer_.front();
    if (first == soh) {
      receiving_ = true;
      const std::size_t size = crc_ ? 133 : 132;
      if (buffer_.size() < size) break;
      out += Packet(now);
    } else if (first == eot) {
      buffer_.erase(0, 1);
      if (faults_.nak_eot && !eot_naked_) {
        eot_naked_ = true;
        log_.Add("eot nak:eot");
        out.push_back(nak);
        continue;
      }
      log_.Add("eot ack:eot");
      out.push_back(ack);
      result_ = Result::done;
    } else if (first == can) {
      if (buffer_.size() < 2) break;
      if (buffer_[1] == can) {
        log_.Add("cancelled");
        result_ = Result::failed;
      }
      buffer_.erase(0, 1);
    } else {
      buffer_.erase(0, 1);  // noise between packets
    }
  }
  return out;
}

std::string XmodemReceiver::Packet(Clock::time_point now) {
  const std::size_t size = crc_ ? 133 : 132;
  const std::string packet = buffer_.substr(0, size);
  const std::string_view block = std::string_view(packet).substr(3, block_size);
  bool intact =
      static_cast<unsigned char>(packet[1]) + static_cast<unsigned char>(packet[2]) == 255;
  if (crc_) {
    const std::uint16_t crc = XmodemCrc(block);
    intact = intact && static_cast<unsigned char>(packet[131]) == (crc >> 8) &&
             static_cast<unsigned char>(packet[132]) == (crc & 0xFF);
  } else {
    unsigned sum = 0;
    for (unsigned char byte : block) sum += byte;
    intact = intact && static_cast<unsigned char>(packet[131]) == (sum & 0xFF);
  }
  if (!intact) {
    log_.Add("bad:" + std::to_string(index_));
    buffer_.clear();
    purging_ = true;
    last_byte_ = now;
    return "";
  }
  buffer_.erase(0, size);
  timeouts_ = 0;
  const auto number = static_cast<unsigned char>(packet[1]);
  if (number == ((index_ - 1) & 0xFF)) {
    log_.Add("repeat:" + std::to_string(index_ - 1) + " ack");
    return {ack};
  }
  if (number != (index_ & 0xFF)) return Cancel(("wrong-block:" + std::to_string(number)).c_str());
  data_.append(block);
  const int index = index_++;
  log_.Add("block:" + std::to_string(index));
  if (faults_.cancel == index) return Cancel(("cancel:" + std::to_string(index)).c_str());
  if (faults_.drop_ack == index && !ack_dropped_) {
    ack_dropped_ = true;
    log_.Add("ack-dropped:" + std::to_string(index));
    return "";
  }
  log_.Add("ack:" + std::to_string(index));
  return {ack};
}

std::string XmodemReceiver::Poll(Clock::time_point now) {
  if (result_ != Result::running || now < NextWake()) return "";
  if (purging_) {
    purging_ = false;
    log_.Add("nak");
    return {nak};
  }
  if (!receiving_) {
    if (starts_sent_ >= start_.tries) return Cancel("no-sender");
    ++starts_sent_;
    next_start_ = After(now, start_.repeat_ms);
    log_.Add(start_.byte == 'C' ? "start:C" : "start:NAK");
    return {start_.byte};
  }
  // A packet cut short, or a sender gone quiet.
  buffer_.clear();
  last_byte_ = now;
  if (++timeouts_ > max_tries) return Cancel("timeout");
  log_.Add("timeout nak");
  return {nak};
}

Clock::time_point XmodemReceiver::NextWake() const {
  if (purging_) return After(last_byte_, quiet_ms);
  if (!receiving_) return next_start_;
  return After(last_byte_, buffer_.empty() ? answer_wait_ms : packet_gap_ms);
}

}  // namespace sim
