#include "modelcfg/cfg_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/cfg_undo.h"
#include "modelcfg/model_cfg.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/keys.h"

ui::Handle modelcfg_popup = ui::no_window;
ui::Rect cfg_display_rect;
int cfg_popup_virtual_display_height = 0;
int cfg_popup_scroll_offset = 0;
int modelcfg_lineselected = -1;
button_class getall_button, sendall_button, load_button, save_button, print_button, address_button,
    addline_button;

namespace {

constexpr const char* cfg_popup_class = "ModelCfgPopup";
constexpr ui::Colour black = ui::MakeColour(0, 0, 0);
constexpr int popup_width = 560;
constexpr int retrieval_done = 1000;  // the notice of a finished configuration retrieval

char cfg_title[256] = "Model.Cfg";
int mouse_x = 0;
int mouse_y = 0;
int mouse_down = 0;

struct RowButton {
  button_class* button;
  const char* caption;
};

// The command row in order; the address button's caption is filled in when drawn.
RowButton row_buttons[] = {{&getall_button, "Get All"},  {&sendall_button, "Send All"},
                           {&load_button, "Load"},       {&save_button, "Save"},
                           {&print_button, "Print"},     {&address_button, nullptr},
                           {&addline_button, "Add Line"}};

const char* AddressCaption() {
  static char caption[300];
  const bool chosen = transfer_device >= 0 && transfer_device < device_count;
  if (use_ethernet) {
    std::snprintf(caption, sizeof caption, "%s",
                  chosen && device_sock[transfer_device].good ? default_ipaddress : "?.?.?.?");
  } else if (!chosen) {
    std::snprintf(caption, sizeof caption, "?.?.?.?");
  } else if (transfer_device >= 0x20 && transfer_device <= 0x7E) {
    std::snprintf(caption, sizeof caption, "Address %c", transfer_device);
  } else {
    std::snprintf(caption, sizeof caption, "Address %02Xh", transfer_device);
  }
  return caption;
}

const char* CaptionOf(const RowButton& row) {
  return row.caption ? row.caption : AddressCaption();
}

// The size a row button has with its caption, without moving it.
ui::Rect MeasuredButton(const RowButton& row) {
  button_class measure = *row.button;
  measure.Align(buttontype_text, 0, 0, CaptionOf(row), align_topleft);
  return measure.r;
}

// Top of Send All when the row sits at the bottom of a client area this high.
int ButtonRowTop(int client_height) {
  return client_height - 8 - MeasuredButton(row_buttons[1]).Height();
}

bool PickPending() {
  for (int line = 0; line < total_cfg_lines; ++line) {
    const model_cfg_struct& l = configuration_line[line];
    if (l.new_selection >= 0 && l.new_selection != l.selected) return true;
  }
  return false;
}

// Colours and states of the row that suggest the next step, then the row itself.
void PaintCommandRow(ui::Handle window, ui::PaintContext& dc, int client_height) {
  const ui::Colour stored_sendall = sendall_button.face_color;
  if (sendall_button.face_color != cfg_green && PickPending())
    sendall_button.face_color = cfg_green;
  if (autoload_cfg == 1) {
    sendall_button.face_color = cfg_yellow;
    sendall_button.hilight = 1;
  } else {
    sendall_button.hilight = 0;
  }
  if (total_cfg_lines > 0) {
    save_button.enabled = print_button.enabled = 1;
    if (factory_mode) sendall_button.enabled = 1;
  } else {
    sendall_button.enabled = save_button.enabled = print_button.enabled = 0;
    getall_button.face_color = cfg_green;
  }
  const ui::Colour print_colour =
      sendall_button.face_color == cfg_green || getall_button.face_color == cfg_green
          ? cfg_text_colour
          : cfg_green;
  if (print_button.face_color != print_colour) {
    print_button.face_color = print_colour;
    ui::InvalidateArea(window, print_button.r, false);
  }
  int x = 8;
  for (const RowButton& row : row_buttons) {
    row.button->Show(dc, buttontype_text, x, client_height - 8, CaptionOf(row), align_bottomleft);
    x = row.button->r.right + 16;
  }
  sendall_button.face_color = stored_sendall;
}

void UpdateCfgCursor(ui::Handle window) {
  if (!mouse_down && modelcfg_lineselected >= 0) {
    if (modelcfg_lineselected < total_cfg_lines)
      ui::InvalidateArea(window, configuration_line[modelcfg_lineselected].box, false);
    modelcfg_lineselected = -1;
  }
  ui::Cursor cursor = ui::Cursor::arrow;
  if (modelcfg_lineselected >= 0)
    cursor = PointInBox(mouse_x, mouse_y, cfg_display_rect) ? ui::Cursor::up_arrow
                                                            : ui::Cursor::no_entry;
  ui::SetWindowCursor(window, cursor);
}

// The 16 bits a scroll message carries for the thumb, widened again: of the
// positions in the list with those low bits, the one nearest the present
// offset (the thumb moves in small steps).
int ListHeight() {
  int height = 0;
  for (int line = 0; line < total_cfg_lines; ++line) height += configuration_line[line].size_y;
  return height;
}

int ThumbPosition(ui::WordParam word) {
  const int low = static_cast<int>((word >> 16) & 0xFFFF);
  const int list_height = ListHeight();
  int best = low;
  for (int position = low; position <= list_height; position += 0x10000) {
    if (std::abs(position - cfg_popup_scroll_offset) < std::abs(best - cfg_popup_scroll_offset))
      best = position;
  }
  return best;
}

void OnMouseMove(ui::Handle window, ui::WordParam word, ui::LongParam l) {
  mouse_x = ui::PointX(l);
  mouse_y = ui::PointY(l);
  const bool left_held = (word & ui::key_state_left) != 0;
  if (mouse_down && !left_held) ui::Send(window, ui::msg_left_up, word, l);
  if (modelcfg_lineselected >= 0) {
    if (mouse_y >= cfg_display_rect.top && mouse_y <= cfg_display_rect.top + 10) {
      ScrollModelCfgWindow(window, ui::MakeScroll(ui::scroll_line_up, 0));
    } else if (mouse_y >= cfg_display_rect.bottom - 10 && mouse_y <= cfg_display_rect.bottom) {
      ScrollModelCfgWindow(window, ui::MakeScroll(ui::scroll_line_down, 0));
    }
  }
  for (const RowButton& row : row_buttons)
    row.button->MouseMove(window, mouse_x, mouse_y, left_held);
}

void OnKeyDown(ui::Handle window, int key) {
  if (ui::IsKeyHeld(ui::vk_control)) {
    if (key == 'Z') UndoCfgChange();
    if (key == 'Y') RedoCfgChange();
    return;
  }
  switch (key) {
    case ui::vk_prior:
      ScrollModelCfgTo(window, ui::scroll_page_up, 0);
      break;
    case ui::vk_next:
      ScrollModelCfgTo(window, ui::scroll_page_down, 0);
      break;
    case ui::vk_home:
      ScrollModelCfgTo(window, ui::scroll_thumb_position, 0);
      break;
    case ui::vk_end:
      ScrollModelCfgTo(window, ui::scroll_thumb_position, cfg_popup_virtual_display_height);
      break;
    case ui::vk_up:
      ScrollModelCfgTo(window, ui::scroll_line_up, 0);
      break;
    case ui::vk_down:
      ScrollModelCfgTo(window, ui::scroll_line_down, 0);
      break;
    default:
      break;
  }
}

}  // namespace

const char* ModelCfgTitle() {
  return cfg_title;
}

void SetModelCfgTitle(const char* title) {
  std::snprintf(cfg_title, sizeof cfg_title, "%s", title);
  if (ui::IsLive(modelcfg_popup)) ui::SetTitle(modelcfg_popup, cfg_title);
}

void CreateModelCfgPopup() {
  static bool registered = false;
  if (ui::IsLive(modelcfg_popup)) return;
  const int last_closed = ClosePollWindows();
  if (!use_ethernet) transfer_device = last_closed;
  getall_button.face_color = cfg_green;
  sendall_button.face_color = cfg_text_colour;
  if (!registered) {
    // The paint handler covers every pixel, so the background is never erased.
    registered = ui::RegisterWindowClass({cfg_popup_class, ModelCfgCallBack, 3});
    if (!registered) return;
  }
  const ui::Rect main_frame = ui::WindowRect(main_window);
  const ui::Rect main_client = ui::ClientRect(main_window);
  const int x = ui::SystemMetric(ui::Metric::frame_width) +
                (main_frame.left + main_client.right - popup_width) / 2;
  const int y = ui::SystemMetric(ui::Metric::menu_height) + main_frame.top / 2 +
                ui::SystemMetric(ui::Metric::caption_height);
  const ui::Handle popup =
      ui::CreateWindowOf(cfg_popup_class, cfg_title, ui::style_overlapped | ui::style_vscroll, x, y,
                         popup_width, main_client.Height(), main_window);
  if (!popup) return;
  modelcfg_popup = popup;
  ui::Show(popup);
}

void PlaceModelCfgPopup() {
  if (!ui::IsLive(modelcfg_popup)) return;
  // An editor opened on an empty table snapped to no lines at all.
  const ui::Rect frame = ui::WindowRect(modelcfg_popup);
  ui::Move(modelcfg_popup, frame.left, frame.top, frame.Width(),
           ui::ClientRect(main_window).Height());
  ResizeModelCfgPopup(modelcfg_popup);
  ui::Show(modelcfg_popup);
  ui::Invalidate(modelcfg_popup, false);
}

void PaintModelCfg(ui::Handle window, ui::PaintContext& dc) {
  const ui::Rect client = ui::ClientRect(window);
  dc.FrameRect(client, black);
  dc.SetTransparentText();
  const int list_bottom = ButtonRowTop(client.bottom) - 8;
  int y = 1 - cfg_popup_scroll_offset;
  for (int line = 0; line < total_cfg_lines; ++line) {
    // Lines wholly above or below the window are not seen; clicks are only
    // offered to the lines under the pointer, so their places may wait.
    if (y + configuration_line[line].size_y <= 1 || y >= client.bottom) {
      y += configuration_line[line].size_y;
    } else {
      y += ShowCfgLine(dc, line, y, client.right - 1);
    }
  }
  const ui::Rect row_area{0, std::min(y, list_bottom), client.right, client.bottom};
  dc.FillRect(row_area, ui::ButtonFaceColour());
  dc.FrameRect(row_area, black);
  cfg_display_rect = {1, 0, client.right - 1, list_bottom - 1};
  PaintCommandRow(window, dc, client.bottom);
}

void ResizeModelCfgPopup(ui::Handle cfg_popup) {
  static bool resizing = false;
  if (resizing) return;
  resizing = true;
  const ui::Rect client = ui::ClientRect(cfg_popup);
  const int limit = ButtonRowTop(client.bottom) - 4;
  int y = 1;
  for (int line = 0; line < total_cfg_lines && y + configuration_line[line].size_y <= limit; ++line)
    y += configuration_line[line].size_y;
  const int height = y + 8 + MeasuredButton(row_buttons[1]).Height() + 8;
  int width = client.right;
  for (int line = 0; line < total_cfg_lines; ++line)
    width = std::max(width, configuration_line[line].min_x);
  int row_width = 8;
  for (const RowButton& row : row_buttons) row_width += MeasuredButton(row).Width() + 16;
  width = std::max(width, row_width - 16 + 8);
  const ui::Rect frame = ui::WindowRect(cfg_popup);
  ui::Move(cfg_popup, frame.left, frame.top, width + frame.Width() - client.Width(),
           height + frame.Height() - client.Height());
  ManageModelCfgScrollBar(cfg_popup);
  resizing = false;
}

void ManageModelCfgScrollBar(ui::Handle cfg_window) {
  cfg_popup_virtual_display_height = ListHeight();
  const int page = cfg_display_rect.bottom;
  if (cfg_popup_scroll_offset < 0) cfg_popup_scroll_offset = 0;
  if (cfg_popup_virtual_display_height - cfg_popup_scroll_offset < page &&
      cfg_popup_scroll_offset > 0)
    cfg_popup_scroll_offset = std::max(0, cfg_popup_virtual_display_height - page);
  ui::SetWindowScrollBar(cfg_window, 0, cfg_popup_virtual_display_height, page,
                         cfg_popup_scroll_offset);
}

void ScrollModelCfgTo(ui::Handle cfg_window, unsigned scroll_code, int position) {
  if (total_cfg_lines == 0) return;
  int& offset = cfg_popup_scroll_offset;
  switch (scroll_code) {
    case ui::scroll_line_up: {
      int top = configuration_line[0].size_y;
      if (top >= offset) {
        offset = 0;
        break;
      }
      for (int line = 1; line < total_cfg_lines; ++line) {
        if (top + configuration_line[line].size_y >= offset) {
          offset = top;
          break;
        }
        top += configuration_line[line].size_y;
      }
      break;
    }
    case ui::scroll_line_down: {
      int top = 0;
      for (int line = 0; line < total_cfg_lines; ++line) {
        if (top > offset) {
          offset = top;
          break;
        }
        top += configuration_line[line].size_y;
      }
      break;
    }
    case ui::scroll_page_up:
      offset -= cfg_display_rect.bottom;
      break;
    case ui::scroll_page_down:
      offset += cfg_display_rect.bottom;
      break;
    case ui::scroll_thumb_position:
    case ui::scroll_thumb_track:
      offset = position;
      break;
    default:
      return;
  }
  ui::InvalidateArea(cfg_window, cfg_display_rect, false);
  ManageModelCfgScrollBar(cfg_window);
}

void ScrollModelCfgWindow(ui::Handle cfg_window, ui::WordParam word) {
  ScrollModelCfgTo(cfg_window, ui::ScrollCodeOf(word), ThumbPosition(word));
}

ui::Result ModelCfgCallBack(ui::Handle this_window, unsigned message, ui::WordParam word_parm,
                            ui::LongParam long_parm) {
  switch (message) {
    case ui::msg_create:
      modelcfg_popup = this_window;
      ManageModelCfgScrollBar(this_window);
      if (use_ethernet) EditModelGetIp();
      return 0;
    case ui::msg_destroy:
      ethernet_action = ETHERNET_DEFAULT;
      if (modelcfg_popup == this_window) modelcfg_popup = ui::no_window;
      return 0;
    case ui::msg_size:
      ResizeModelCfgPopup(this_window);
      return 0;
    case ui::msg_kill_focus:
      // Releases a pushed command button and ends a press.
      ui::Send(this_window, ui::msg_left_up, 0, ui::MakePoint(0, 0));
      return 0;
    case ui::msg_paint:
      if (long_parm) PaintModelCfg(this_window, *reinterpret_cast<ui::PaintContext*>(long_parm));
      ManageModelCfgScrollBar(this_window);
      return 0;
    case ui::msg_erase_background:
      return 1;
    case ui::msg_close:
      modelcfg_popup = ui::no_window;
      ui::Destroy(this_window);
      return 0;
    case ui::msg_set_cursor:
      UpdateCfgCursor(this_window);
      return 0;
    case ui::msg_key_down:
      OnKeyDown(this_window, static_cast<int>(word_parm));
      return 0;
    case ui::msg_command:
      if (ui::CommandId(word_parm) != retrieval_done) return 0;
      ui::SetWindowCursor(this_window, ui::Cursor::arrow);
      return 1;
    case ui::msg_vscroll:
      ScrollModelCfgWindow(this_window, word_parm);
      return 0;
    case ui::msg_mouse_move:
      OnMouseMove(this_window, word_parm, long_parm);
      return 0;
    case ui::msg_left_down:
      mouse_down = 1;
      ModelCfgMouseClick(ui::PointX(long_parm), ui::PointY(long_parm), 1);
      return 0;
    case ui::msg_right_up:
      ModelCfgRightClick(ui::PointX(long_parm), ui::PointY(long_parm));
      return 0;
    case ui::msg_left_up:
      ModelCfgMouseClick(ui::PointX(long_parm), ui::PointY(long_parm), 0);
      mouse_down = 0;
      // A drag released outside every line ends here, moving nothing.
      UpdateCfgCursor(this_window);
      return 0;
    default:
      return ui::DefaultProcedure(this_window, message, word_parm, long_parm);
  }
}

// The cursor after a click starts or ends a drag.
void UpdateModelCfgCursor() {
  if (ui::IsLive(modelcfg_popup)) UpdateCfgCursor(modelcfg_popup);
}
