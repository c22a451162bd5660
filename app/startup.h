// The console's entry: start-up in its fixed order, the message loop, and the end.
#pragma once

#include <string>

#include "ui/window.h"

// Runs the console; returns its exit code (0).
int ConsoleMain(int argc, char** argv);

// The steps, for tests that start the console piece by piece.
void ConfirmPasswordFile();
// Registers the window classes and creates the main window; no_window when a
// class cannot be registered.
ui::Handle InitMain();
// Everything before the message loop: records, settings, port, main window,
// tick, command line. Returns false when the main window could not be made.
bool StartConsole(const std::string& command_line);
// Everything after it.
void StopConsole();
