// Entry point of tabulon.exe, the window on Windows: reads the command line, prints the usage or
// version when asked, and otherwise shows the main window; the program lives as long as the
// window does.
#include <iostream>
#include <string>

#include "app/form/command_line.h"
#include "app/form/form.h"
#include "app/win32/listtest_win32.h"
#include "platform/file_list.h"
#include "platform/interrupts.h"

namespace {

// tabulon.exe is a GUI program, which Windows starts without a console. Its usage goes to stdout
// when that is redirected to a file or a pipe, else to the console of the command prompt it was
// started from (which has already printed its prompt, so a line end comes first). Started from
// Explorer or a shortcut it has neither, and a message box shows the text.
void PrintText(const std::string& text) {
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type =
      out == nullptr || out == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(out);
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    DWORD written = 0;
    WriteFile(out, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr);
    return;
  }
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
      const std::wstring wide = tabulon::WideText("\r\n" + crlf);
      DWORD written = 0;
      WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      CloseHandle(console);
      FreeConsole();
      return;
    }
    FreeConsole();
  }
  MessageBoxW(nullptr, tabulon::WideText(text).c_str(), tabulon::WideText(tabulon::kTitle).c_str(),
              MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
  // The wide command line: the ANSI one cannot hold every name.
  const std::string command_line = tabulon::Utf8Text(GetCommandLineW());
  const tabulon::WindowStart start =
      tabulon::ParseWindowStart(std::string(tabulon::CommandLineAfterProgram(command_line)));
  // Help and version touch neither the window nor the application folder's own folders.
  if (start == tabulon::WindowStart::kHelp) {
    PrintText(tabulon::WindowUsage(tabulon::ExecutableFolder()));
    return 0;
  }
  if (start == tabulon::WindowStart::kVersion) {
    PrintText(tabulon::WindowVersion());
    return 0;
  }
  tabulon::CatchInterrupts();
  const bool silent_mode = start == tabulon::WindowStart::kSilent;
  try {
    tabulon::ListtestWin32 window(instance, silent_mode, tabulon::ExecutableFolder());
    return window.Run(show_command);
  } catch (const std::exception& e) {
    // Silent mode never waits for a click.
    if (silent_mode) {
      const std::string text = e.what();
      std::cerr << (text.starts_with("tabulon: ") ? "" : "tabulon: error: ") << text << '\n';
    } else {
      MessageBoxW(nullptr, tabulon::WideText(e.what()).c_str(),
                  tabulon::WideText(tabulon::kTitle).c_str(), MB_OK | MB_ICONERROR);
    }
    return 1;
  }
}
