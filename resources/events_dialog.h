// "Events": the journal of device transitions and operator actions.
#pragma once

#include "ui/dialog.h"

enum : int {
  id_events_list = 501,
  id_events_device = 502,
  id_events_kind = 503,
  id_events_acknowledge = 504,
  id_events_acknowledge_all = 505,
  id_events_summary = 506,
};

const ui::DialogTemplate& EventsDialogTemplate();
