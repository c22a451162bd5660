#include "app/amp_panel_lamps.h"

#include "app/amp_panel_shared.h"
#include "records/device_records.h"
#include "resources/panel_ids.h"
#include "ui/dialog.h"

namespace {

// The window keeps what each lamp shows, one slot per lamp from offset 0.
int Slot(int id) {
  return lamp_slot_first + id - id_lamp_power;
}

void Remember(ui::Handle panel, int id, bool lit) {
  ui::SetWindowData(panel, Slot(id), lit ? 1 : 0);
}

// Lights one lamp of a radio group and puts the others out.
void ChooseInGroup(ui::Handle panel, int first, int last, int lit) {
  for (int id = first; id <= last; ++id) Remember(panel, id, id == lit);
}

}  // namespace

bool IsLamp(int id) {
  return id >= id_lamp_power && id <= id_lamp_fault;
}

void ShowLamps(ui::Handle panel, int address) {
  const device_struct& d = device_data[address];
  Remember(panel, id_lamp_power, last_response[address] != 0);
  if (d.ftd) {
    ChooseInGroup(panel, id_lamp_ftd, id_lamp_hv_on, id_lamp_ftd);
  } else if (d.standby) {
    ChooseInGroup(panel, id_lamp_ftd, id_lamp_hv_on, id_lamp_standby);
  } else if (d.hv_on) {
    ChooseInGroup(panel, id_lamp_ftd, id_lamp_hv_on, id_lamp_hv_on);
  }
  if (d.local) {
    ChooseInGroup(panel, id_lamp_local, id_lamp_remote, id_lamp_local);
  } else if (d.remote) {
    ChooseInGroup(panel, id_lamp_local, id_lamp_remote, id_lamp_remote);
  }
  Remember(panel, id_lamp_alarm, d.alarm != 0);
  Remember(panel, id_lamp_fault, d.fault != 0);
  RestoreLamps(panel);
}

void RestoreLamps(ui::Handle panel) {
  for (int id = id_lamp_power; id <= id_lamp_fault; ++id) {
    ui::SetCheck(panel, id, ui::WindowData(panel, Slot(id)) ? ui::checked : ui::unchecked);
  }
}
