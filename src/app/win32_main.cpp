// Entry point of tabulon.exe, the window on Windows: reads silent mode from the command line and
// shows the main window; the program lives as long as the window does.
#include "app/form/command_line.h"
#include "app/win32/listtest_win32.h"
#include "platform/file_list.h"
#include "platform/interrupts.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
  tabulon::CatchInterrupts();
  // The wide command line: the ANSI one cannot hold every name.
  const std::string command_line = tabulon::Utf8Text(GetCommandLineW());
  const bool silent_mode =
      tabulon::ParseSilentMode(std::string(tabulon::CommandLineAfterProgram(command_line)));
  try {
    tabulon::ListtestWin32 window(instance, silent_mode, tabulon::ExecutableFolder());
    return window.Run(show_command);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, tabulon::WideText(e.what()).c_str(), L"Tabulon Version 5.0",
                MB_OK | MB_ICONERROR);
    return 1;
  }
}
