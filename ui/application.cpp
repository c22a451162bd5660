#include "ui/application.h"

#include <QApplication>
#include <clocale>

#include "ui/event_hub.h"
#include "ui/window.h"

namespace ui::detail {

namespace {

// QApplication keeps a reference to argc, so it must outlive the call.
int saved_argc = 0;
char fallback_name[] = "corvane";
char* fallback_argv[] = {fallback_name, nullptr};

void Prepare() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Making the application adopted the environment's locale for the C library;
  // numbers on the wire and in files must keep the C conventions whatever it says.
  std::setlocale(LC_NUMERIC, "C");
  // Hiding the last window must not end nested loops: only PostQuit ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallEventHub();
}

}  // namespace

void EnsureApplication() {
  if (!QApplication::instance()) {
    saved_argc = 1;
    // Lives for the whole run, like the window system it stands for.
    new QApplication(saved_argc, fallback_argv);
  }
  Prepare();
}

}  // namespace ui::detail

namespace ui {

void InitApplication(int argc, char** argv) {
  if (!QApplication::instance() && argc > 0 && argv) {
    detail::saved_argc = argc;
    new QApplication(detail::saved_argc, argv);
  }
  detail::EnsureApplication();
}

}  // namespace ui
