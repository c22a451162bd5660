// A travelling-wave-tube amplifier: status and screen answers, keypad, attenuation,
// identification, frequency offsets, fault log, Model.cfg and firmware loader.
#pragma once

#include "sim/amplifier_state.h"
#include "sim/cfg_exchange.h"
#include "sim/device.h"
#include "sim/firmware_loader.h"
#include "sim/front_panel.h"
#include "sim/service_console.h"

namespace sim {

class Amplifier : public Device {
 public:
  Amplifier(std::uint8_t address, const DeviceTiming& timing, unsigned seed, bool old_id);
  const char* KindName() const override { return "amplifier"; }
  // Replaces the default Model.cfg, byte for byte.
  void LoadModelCfg(std::string_view text) { cfg_.File().Load(text); }
  std::string Set(std::string_view field, std::string_view value, Clock::time_point now) override;
  bool Get(std::string_view field, Clock::time_point now, std::string* value) const override;
  ServiceConsole* Console() override { return console_.IsOpen() ? &console_ : nullptr; }
  // An uploaded Model.cfg waits for the next restart.
  bool TakeUpload(std::string_view name, std::string_view bytes) override;

 private:
  Answer Handle(std::string_view body, std::size_t body_room, Clock::time_point now) override;
  void Run(int elapsed_ms, Clock::time_point now) override;
  void Boot(Clock::time_point now) override;
  bool LineCommandCame(bool port_set) override;

  Answer Status(std::string_view letters, std::size_t body_room, Clock::time_point now);
  Answer Screen(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer Key(std::string_view keys, std::size_t body_room, Clock::time_point now);
  Answer SetAttenuation(std::string_view value, std::size_t body_room, Clock::time_point now);
  Answer Identify(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer IdentifyFramed(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer QueryOffset(std::string_view value, std::size_t body_room, Clock::time_point now);
  Answer SendFaultLog(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer SendModelCfg(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer StoreModelCfgLine(std::string_view line, std::size_t body_room, Clock::time_point now);
  Answer OpenConsole(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer StartFirmware(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer StoreFirmwareChunk(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer FinishFirmware(std::string_view rest, std::size_t body_room, Clock::time_point now);

  std::string StatusBytes() const;
  // The display rows as the '5' and 'V' answers carry them: each row and a zero byte.
  std::string DisplayBytes(Clock::time_point now) const;
  bool SetReading(std::string_view field, double value);

  AmplifierState state_;
  FrontPanel panel_;
  CfgExchange cfg_;
  ServiceConsole console_{cfg_.File()};
  FirmwareLoader firmware_;
  std::optional<std::string> uploaded_cfg_;
};

}  // namespace sim
