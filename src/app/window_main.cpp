// Entry point of tabulon, the window: reads silent mode from the command line and shows the
// main window; the program lives as long as the window does.
#include <QApplication>

#include "app/form/command_line.h"
#include "app/window/listtest.h"
#include "platform/file_list.h"
#include "platform/interrupts.h"

int main(int argc, char** argv) {
  tabulon::CatchInterrupts();
  // Read before QApplication takes its own options out of argv.
  const bool silent_mode = tabulon::ParseSilentMode(tabulon::CommandLineText(argc, argv));
  QApplication app(argc, argv);
  tabulon::Listtest window(silent_mode, tabulon::ExecutableFolder());
  window.show();
  // Loading the window ends the program when the working folders cannot be made, before there
  // is an event loop to leave.
  if (window.exit_code() >= 0) return window.exit_code();
  return QApplication::exec();
}
