// The main window listtest drawn with Win32's own controls: static labels, a push button, a list
// box for the dat files and a hidden sorted one for the records. Its events go to the form
// (app/form/form.h), which decides what the controls show.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "app/form/form.h"
#include "platform/windows.h"

namespace tabulon {

class ListtestWin32 : private FormWindow {
 public:
  // Makes the window, hidden, with its normal or silent-mode look; throws Error when Windows
  // cannot make it. `app_dir` is the application folder; it is not touched before Run.
  ListtestWin32(HINSTANCE instance, bool silent_mode, std::string app_dir);
  ~ListtestWin32() override;
  ListtestWin32(const ListtestWin32&) = delete;
  ListtestWin32& operator=(const ListtestWin32&) = delete;

  // Shows the window (`show_command` as WinMain got it), loads it and handles its messages until
  // the program ends; returns the exit status.
  int Run(int show_command);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Hands one message to its window; the dialog keys (Tab, the button's Alt+G) first.
  void Dispatch(MSG& message);

  int PixelsX(int twips) const;
  int PixelsY(int twips) const;
  // The font of `face` at `points` (in half-point steps), made once and kept with the window.
  HFONT Font(const std::wstring& face, double points);
  // The size `text` takes in `control` drawn with `font`, wrapped at `wrap_width` when not 0.
  SIZE TextSize(Control control, HFONT font, const std::wstring& text, int wrap_width);
  // Gives `control` the largest font from `points` down at which `fits` agrees.
  void ShrinkFontToFit(Control control, const std::wstring& face, double points,
                       const std::function<bool(HFONT)>& fits, double floor = 6);
  void ShowStatusLine(const std::wstring& text);
  // `text` cut in the middle (ElideMiddle) to fit `width` pixels in `font`.
  std::wstring ElidedInMiddle(Control control, HFONT font, const std::wstring& text, int width);
  // `control`'s rectangle in the window's client area.
  RECT ParentRect(HWND control) const;
  void DrawFieldSlot(HWND slot, HDC dc);

  void SetTitle(const std::string& text) override;
  void SetText(Control control, const std::string& text) override;
  void SetItems(Control control, const std::vector<std::string>& items) override;
  void SetVisible(Control control, bool visible) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsChecked(Control control) const override;
  // In shaping_row_win32.cpp.
  void SetChecked(Control control, bool checked) override;
  void SetClientHeight(int twips) override;
  bool OpenInEditor(const std::string& path) override;
  void SetDarkWindow() override;
  void SetWhiteText(Control control) override;
  void ShowMessageBox(MessageIcon icon, const std::string& title, const std::string& text) override;
  void CloseMessageBox() override;
  void ProcessEvents() override;
  void StartTimer(FormTimer timer, std::chrono::milliseconds interval) override;
  void StopTimer(FormTimer timer) override;
  void CloseWindow() override;
  void EndProgram(int exit_code) override;
  std::chrono::nanoseconds Now() const override;

  HWND window_ = nullptr;  // null once Windows has destroyed it
  std::map<Control, HWND> controls_;
  std::map<Control, std::wstring>
      texts_;  // each label's caption, so an unchanged one is not redrawn
  std::set<HWND> white_text_;
  bool dark_ = false;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  std::wstring window_face_;
  std::wstring slot_face_;
  std::map<std::pair<std::wstring, int>, HFONT> fonts_;  // by face and half points
  Form form_;
};

}  // namespace tabulon
