// Alerts: a fault, an alarm or lost contact marks the device's panel title,
// asks the desktop for attention and may beep; the main window's title counts
// the alerts not yet acknowledged. Nothing here sends anything to a device.
#pragma once

#include <string>

#include "ui/window.h"

// Beep on every alert; remembered in alerts.txt in the program directory.
extern int alert_sound;
void LoadAlertSettings();
// False, after telling the operator, when the file cannot be written.
bool SaveAlertSettings(ui::Handle owner);

// "[!] " while the device has alerts not yet acknowledged, else "".
std::string AlertMark(int address);
// "Tessary Remote Control", with the number of alerts not yet acknowledged.
std::string MainWindowTitle();

// Follows the journal from now on, and appends it to events.txt; a problem
// with that file reaches the operator as a box from the main window.
void StartAlerts();
void StopAlerts();

// Posted to the main window when events.txt cannot be written.
constexpr unsigned msg_events_file_problem = ui::msg_user + 40;
void ShowEventsFileProblem(ui::Handle owner);
