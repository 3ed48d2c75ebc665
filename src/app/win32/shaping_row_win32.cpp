// The row of tabulon.ini's controls in the Win32 window: the check box's state, the window grown
// to show the row, and the file opened in the editor Windows has for it.
#include "app/win32/listtest_win32.h"

// After windows.h, which listtest_win32.h brings in.
#include <shellapi.h>

namespace tabulon {
namespace {

// ShellExecuteW's answer: above 32 when it started something.
bool Started(HINSTANCE answer) { return reinterpret_cast<INT_PTR>(answer) > 32; }

}  // namespace

void ListtestWin32::SetChecked(Control control, bool checked) {
  SendMessageW(controls_.at(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ListtestWin32::SetClientHeight(int twips) {
  RECT frame{0, 0, PixelsX(kClientWidth), PixelsY(twips)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ListtestWin32::OpenInEditor(const std::string& path) {
  const std::wstring file = WideText(path);
  if (Started(ShellExecuteW(window_, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL))) {
    return true;
  }
  // No program is registered for .ini files on this system; Notepad comes with every Windows.
  const std::wstring quoted = L"\"" + file + L"\"";
  return Started(
      ShellExecuteW(window_, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL));
}

}  // namespace tabulon
