#include "app/frequency_dialog.h"

#include <string>

#include "records/device_records.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "resources/device_dialog_ids.h"
#include "resources/device_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int calibration_count = 3;
const float query_frequency[calibration_count] = {6.15f, 8.15f, 14.25f};
const char* const frequency_string[calibration_count] = {" 6.15 GHz", " 8.15 GHz", "14.25 GHz"};

// Where the answer to the offset query carries the offset.
constexpr int offset_position = 10;
constexpr int offset_length = 5;

// The offset characters of the answer in the buffer, as far as the answer
// reaches: a short answer shows what it has.
std::string OffsetText(const protocol_struct& answer) {
  std::string text;
  for (int at = offset_position; at < offset_position + offset_length && at < answer.receive_count;
       ++at) {
    if (answer.response_buf[at] == 0) break;
    text += static_cast<char>(answer.response_buf[at]);
  }
  return text;
}

void PlaceUnderPointer(ui::Handle dialog) {
  const ui::Rect frame = ui::WindowRect(dialog);
  const ui::Point pointer = ui::CursorPosition();
  ui::Move(dialog, pointer.x - frame.Width() / 2, pointer.y - 3 * frame.Height() / 4, frame.Width(),
           frame.Height());
}

}  // namespace

int InitFrequencyCallback(ui::Handle dialog, int address) {
  PlaceUnderPointer(dialog);
  const device_command& query = Command(command_id::frequency_offset);
  for (int n = 0; n < calibration_count; ++n) {
    const command_body body = FrequencyOffsetCommand(query_frequency[n]);
    if (!LoneCommand(address, body.text, body.length, query.timeout, query.tries)) {
      ui::ShowMessage(dialog, "No response from amplifier.", "Error", ui::Buttons::ok,
                      ui::Icon::error);
      ui::FinishDialog(dialog, ui::id_cancel);
      return 0;
    }
    ui::SetControlText(dialog, id_first_offset + n, OffsetText(ProtocolBuffer(address)));
  }
  ui::ClearItems(dialog, id_frequency_list);
  const float reported = device_data[address].frequency;
  for (int n = 0; n < calibration_count; ++n) {
    const int index = ui::AddItem(dialog, id_frequency_list, frequency_string[n]);
    if (reported == query_frequency[n]) ui::Select(dialog, id_frequency_list, index);
  }
  return address;
}

ui::Result SetFrequencyCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      InitFrequencyCallback(dialog, static_cast<int>(l));
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::CommandId(word));
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

void RunFrequencyDialog(ui::Handle owner, int address) {
  if (address < 0 || address >= device_count) return;
  ui::RunModal(FrequencyDialogTemplate(), owner, SetFrequencyCallBack, address);
}
