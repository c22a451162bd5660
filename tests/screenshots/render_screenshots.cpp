// Renders the console's windows against corvane-sim, offscreen, and writes
// them as PNG files: the amplifier panel, its frequency variant, the outdoor
// controller panel, the Events window and the Model.cfg editor.
//
//   render_screenshots OUTPUT_DIRECTORY
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <string>

#include "app/events_window.h"
#include "app/popup.h"
#include "app/startup.h"
#include "config/settings.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_transfer.h"
#include "modelcfg/model_cfg.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/events_dialog.h"
#include "rendering.h"
#include "support/console_on_sim.h"
#include "ui/registry.h"
#include "ui/window.h"

namespace {

bool Save(ui::Handle window, const std::string& path) {
  const ui::detail::WindowRecord* record = ui::detail::Find(window);
  if (!record || !record->frame) return false;
  return record->frame->grab().toImage().save(QString::fromStdString(path), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  rendering::scene scene;
  if (!rendering::Prepare(argc, argv, "render_screenshots", &scene)) return 2;
  test_support::SimProcess sim;
  if (!test_support::StartConsoleOnSimulator(
          sim, {"--amp", "A", "--amp", "B", "--controller", "C", "--steady", "--seed", "4"},
          scene.directory, {"hours B 21480 19985", "set B frequency 14.25", "alarm C on"}))
    return 1;
  // Panel 'A' opens at start; 'B' polls the frequency too.
  poll_frequency = 1;
  CreatePollDialog('B');
  poll_frequency = 0;
  CreateOcontrolDialog('C');
  // Long enough for every panel to get its status and screen answers.
  ui::RunFor(6000);
  bool saved = Save(poll_dialog['A'], scene.output + "/amplifier-panel.png");
  saved = Save(poll_dialog['B'], scene.output + "/amplifier-panel-frequency.png") && saved;
  saved = Save(poll_dialog['C'], scene.output + "/outdoor-controller-panel.png") && saved;
  // A fault and a silent amplifier in the journal, the controller's alarm acknowledged.
  sim.Control("fault A on");
  ui::RunFor(1500);
  sim.Control("silent B on");
  ui::RunFor(4000);
  const ui::Handle events = OpenEventsWindow(main_window);
  for (int n = 0; n < ui::ItemCount(events, id_events_list); ++n)
    if (ui::ItemText(events, id_events_list, n).find("Alarm raised") != std::string::npos)
      ui::Select(events, id_events_list, n);
  ui::Send(events, ui::msg_command, ui::MakeCommand(id_events_acknowledge, ui::notify_clicked));
  ui::RunFor(2 * events_refresh_ms);
  saved = Save(events, scene.output + "/events-window.png") && saved;
  ui::Destroy(events);
  // The editor with amplifier 'A's configuration and one pick not yet sent.
  CreateModelCfgPopup();
  transfer_device = 'A';
  if (GetConfigViaSerialProtocol()) SetModelCfgTitle("Model.cfg");
  for (int line = 0; line < total_cfg_lines; ++line) {
    model_cfg_struct& entry = configuration_line[line];
    if (entry.num_options < 2) continue;
    entry.new_selection = entry.selected == 0 ? 1 : 0;
    break;
  }
  ui::Invalidate(modelcfg_popup);
  ui::RunFor(500);
  saved = Save(modelcfg_popup, scene.output + "/model-cfg-editor.png") && saved;
  return rendering::Finish(scene, sim, saved);
}
