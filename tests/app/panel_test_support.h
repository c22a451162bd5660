// Shared pieces of the panel tests: a clean set of records with the panel
// classes registered, the serial line as a socket pair, and the command
// bodies the console framed onto it.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "link/fake_line.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/paint.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

// The bodies of the Tessary frames in bytes, each prefixed by its address
// character when with_address is set.
inline std::vector<std::string> FrameBodies(const std::string& bytes, bool with_address = false) {
  std::vector<std::string> bodies;
  std::size_t at = 0;
  while ((at = bytes.find('\x02', at)) != std::string::npos) {
    const std::size_t end = bytes.find('\x03', at + 2);
    if (end == std::string::npos) break;
    bodies.push_back(
        bytes.substr(with_address ? at + 1 : at + 2, end - at - (with_address ? 1 : 2)));
    at = end + 2;
  }
  return bodies;
}

// Records the colour the window erases its background with.
class ErasePaint : public ui::PaintContext {
 public:
  ui::Rect Area() const override { return {0, 0, 10, 10}; }
  void FillRect(const ui::Rect&, ui::Colour colour) override { filled = colour; }
  void FrameRect(const ui::Rect&, ui::Colour, int) override {}
  void Edge(const ui::Rect&, bool) override {}
  void Line(int, int, int, int, ui::Colour, int) override {}
  void Ellipse(const ui::Rect&, ui::Colour, ui::Colour) override {}
  void SetFont(const ui::FontSpec&) override {}
  void SetTextColour(ui::Colour) override {}
  void SetTextBackground(ui::Colour) override {}
  void SetTransparentText() override {}
  void Text(int, int, const std::string&) override {}
  void TextIn(const ui::Rect&, const std::string&, ui::TextAlign) override {}
  ui::TextSize Measure(const std::string&) override { return {}; }
  long filled = -1;
};

inline long EraseColour(ui::Handle panel) {
  ErasePaint paint;
  ui::Send(panel, ui::msg_erase_background, 0, reinterpret_cast<ui::LongParam>(&paint));
  return paint.filled;
}

inline long StaticColour(ui::Handle panel, int id) {
  return static_cast<long>(ui::Send(panel, ui::msg_static_colour, 0, id));
}

// Fresh records, no panel open, no key held, a main window to return to.
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(key_down, 0, sizeof key_down);
    std::memset(device_prev, 0, sizeof device_prev);
    for (int address = 0; address < device_count; ++address) {
      device_type[address] = twta_device;
      ZeroDeviceData(address);
      ZeroDeviceComments(address);
    }
    good_color = 1;
    mini_ocontrol = 0;
    ASSERT_TRUE(RegisterPanelClasses());
    ui::RegisterWindowClass(
        {"PanelTestMain", ui::DefaultProcedure, 1, ui::Background::dark_grey, 0, 0});
    main_window = ui::CreateWindowOf("PanelTestMain", "main", ui::style_overlapped, 0, 0, 640, 480,
                                     ui::no_window);
  }
  void TearDown() override {
    ClosePollWindows();
    ui::Destroy(main_window);
    main_window = ui::no_window;
    std::memset(key_down, 0, sizeof key_down);
    good_color = 1;
    mini_ocontrol = 0;
  }
  std::vector<std::string> Sent() { return FrameBodies(line.Sent()); }

  FakeLine line;
  ui::ScriptedOperator op;
};
