// The main window's Win32 controls, made from the form's layout, and the form's requests carried
// out on them.
#include "app/win32/listtest_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>

#include "platform/error.h"

namespace tabulon {
namespace {

constexpr wchar_t kWindowClass[] = L"TabulonListtest";
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT_PTR kInterruptPollId = 2;
constexpr DWORD kNormalStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Silent mode: a caption without the system menu and its buttons, and a frame that cannot be
// resized.
constexpr DWORD kSilentStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

UINT_PTR TimerId(FormTimer timer) {
  return timer == FormTimer::kTimer1 ? kTimer1Id : kInterruptPollId;
}

// The window class and control styles for a row of the layout. Every label is plain text: an
// "&" in a dat is a character, not an access key.
std::pair<const wchar_t*, DWORD> ClassAndStyle(const ControlLayout& layout) {
  switch (layout.kind) {
    case ControlKind::kLabel:
      // The field slots draw themselves: see DrawFieldSlot.
      if (layout.fit == TextFit::kElide) return {L"STATIC", SS_OWNERDRAW};
      if (layout.fit == TextFit::kGrowShrinkFont || layout.fit == TextFit::kElideMiddle)
        return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX};
      return {L"STATIC", SS_LEFT | SS_NOPREFIX};
    case ControlKind::kButton:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::kFileList:
      return {L"LISTBOX", LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP};
    case ControlKind::kSortedList:
      return {L"LISTBOX", LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL};
    case ControlKind::kCheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
  }
  return {L"STATIC", SS_LEFT};
}

// The caption as the user reads it: the button's "&" only underlines its access key.
std::wstring WithoutAccessKeys(const std::wstring& caption) {
  std::wstring text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

// The face of Windows' dialog text (Segoe UI today), for the window's own font.
std::wstring MessageFontFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return metrics.lfMessageFont.lfFaceName;
  }
  return L"MS Shell Dlg 2";
}

// Presses OK in a message box: MessageBoxW makes it as a dialog of the standard dialog class.
BOOL CALLBACK PressOkInMessageBox(HWND window, LPARAM /*unused*/) {
  wchar_t name[8] = {};
  if (GetClassNameW(window, name, 8) > 0 && std::wstring_view(name) == L"#32770") {
    PostMessageW(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

}  // namespace

ListtestWin32::ListtestWin32(HINSTANCE instance, bool silent_mode, std::string app_dir)
    : form_(*this, silent_mode, std::move(app_dir)) {
  InitCommonControls();
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // The program's own icon (resource 1), in the title bar and the taskbar as in Explorer.
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  // A second window of the same program finds the class there already, which is as good.
  RegisterClassExW(&window_class);

  HDC screen = GetDC(nullptr);
  dpi_x_ = GetDeviceCaps(screen, LOGPIXELSX);
  dpi_y_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  window_face_ = MessageFontFace();
  // GDI reads a leading "@" as the font's vertical-writing form, which lays East Asian letters on
  // their side; the slots are written across. Without the font the mapper takes the nearest sans.
  const std::wstring slot_face = WideText(kSlotFontFace);
  slot_face_ = slot_face.substr(slot_face.find_first_not_of(L'@'));

  RECT frame{0, 0, PixelsX(kClientWidth), PixelsY(kClientHeight)};
  AdjustWindowRectEx(&frame, kNormalStyle, FALSE, 0);
  // The window opens where Windows places new windows; WM_NCCREATE ties it to this object.
  CreateWindowExW(0, kWindowClass, WideText(kTitle).c_str(), kNormalStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                  nullptr, instance, this);
  if (window_ == nullptr) {
    throw Error("tabulon", "cannot make the window: " + SystemErrorText(GetLastError()));
  }

  int id = kFirstControlId;
  for (const ControlLayout& layout : kControls) {
    const auto [class_name, style] = ClassAndStyle(layout);
    const DWORD ex_style =
        layout.kind == ControlKind::kFileList || layout.kind == ControlKind::kSortedList
            ? WS_EX_CLIENTEDGE
            : 0;
    HWND control = CreateWindowExW(
        ex_style, class_name, WideText(layout.caption).c_str(),
        style | WS_CHILD | WS_CLIPSIBLINGS | (layout.shown ? WS_VISIBLE : 0), PixelsX(layout.left),
        PixelsY(layout.top), PixelsX(layout.width), PixelsY(layout.height), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    if (control == nullptr) {
      const std::string error = SystemErrorText(GetLastError());
      // The window points at this object, which the exception ends; its end must not post the
      // quit that would close main()'s message box at once.
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
      throw Error("tabulon", std::string("cannot make the control ") + layout.name + ": " + error);
    }
    // Later rows lie above earlier ones, as the layout is listed back to front.
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const std::wstring& face = layout.slot_font ? slot_face_ : window_face_;
    const double points = layout.slot_font ? kSlotFontPoints : kWindowFontPoints;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(face, points)), FALSE);
    controls_[layout.id] = control;
    if (layout.kind == ControlKind::kLabel) texts_[layout.id] = WideText(layout.caption);
  }

  const ControlLayout& disclaimer = LayoutOf(Control::lbldisclaimer);
  const std::wstring disclaimer_text = WideText(disclaimer.caption);
  ShrinkFontToFit(Control::lbldisclaimer, window_face_, kWindowFontPoints, [&](HFONT font) {
    const int width = PixelsX(disclaimer.width);
    return TextSize(Control::lbldisclaimer, font, disclaimer_text, width).cy <=
           PixelsY(disclaimer.height);
  });
  const ControlLayout& button = LayoutOf(Control::Command1);
  const std::wstring button_text = WithoutAccessKeys(WideText(button.caption));
  ShrinkFontToFit(Control::Command1, window_face_, kWindowFontPoints, [&](HFONT font) {
    // The button's frame and the room Windows leaves around its caption.
    const int margins = 2 * PixelsX(90);
    return TextSize(Control::Command1, font, button_text, 0).cx + margins <= PixelsX(button.width);
  });

  form_.Form_Initialize();
}

ListtestWin32::~ListtestWin32() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

int ListtestWin32::Run(int show_command) {
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  form_.Form_Load();
  // Loading ends the program when the working folders cannot be made.
  if (form_.exit_code() >= 0) return form_.exit_code();
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

void ListtestWin32::Dispatch(MSG& message) {
  if (window_ != nullptr && IsDialogMessageW(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

LRESULT CALLBACK ListtestWin32::WindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<ListtestWin32*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<ListtestWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}

LRESULT ListtestWin32::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) break;
      if (reinterpret_cast<HWND>(lparam) == controls_[Control::Command1]) {
        form_.Command1_Click(GetKeyState(VK_SHIFT) < 0);
      } else if (reinterpret_cast<HWND>(lparam) == controls_[Control::chkShaping]) {
        form_.chkShaping_Click();
      } else if (reinterpret_cast<HWND>(lparam) == controls_[Control::cmdSettings]) {
        form_.cmdSettings_Click();
      } else {
        break;
      }
      return 0;
    case WM_TIMER:
      if (wparam == kTimer1Id || wparam == kInterruptPollId) {
        form_.TimerFired(wparam == kTimer1Id ? FormTimer::kTimer1 : FormTimer::kInterruptPoll);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (form_.Form_QueryUnload()) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      // A close by the user ends the program with 0; the form has its own exit status when it
      // ended the program itself.
      if (form_.exit_code() < 0) PostQuitMessage(0);
      return 0;
    case WM_ERASEBKGND:
      if (dark_) {
        RECT client;
        GetClientRect(window_, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client,
                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->CtlType != ODT_STATIC) break;
      DrawFieldSlot(item->hwndItem, item->hDC);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      // On the dark window every label is drawn on black; only the progress labels turn white,
      // the others keep the usual text colour.
      if (dark_) {
        auto* dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, white_text_.count(reinterpret_cast<HWND>(lparam)) != 0
                             ? kWhite
                             : GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

int ListtestWin32::PixelsX(int twips) const { return TwipsToPixels(twips, dpi_x_); }
int ListtestWin32::PixelsY(int twips) const { return TwipsToPixels(twips, dpi_y_); }

HFONT ListtestWin32::Font(const std::wstring& face, double points) {
  const int half_points = static_cast<int>(points * 2 + 0.5);
  HFONT& font = fonts_[{face, half_points}];
  if (font == nullptr) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(half_points, dpi_y_, 144);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    description.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    face.copy(description.lfFaceName, LF_FACESIZE - 1);
    font = CreateFontIndirectW(&description);
  }
  return font;
}

SIZE ListtestWin32::TextSize(Control control, HFONT font, const std::wstring& text,
                             int wrap_width) {
  HWND window = controls_.at(control);
  HDC dc = GetDC(window);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT box{0, 0, wrap_width, 0};
  const UINT format = DT_CALCRECT | DT_NOPREFIX | (wrap_width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return SIZE{box.right - box.left, box.bottom - box.top};
}

void ListtestWin32::ShrinkFontToFit(Control control, const std::wstring& face, double points,
                                    const std::function<bool(HFONT)>& fits, double floor) {
  const double fitting = FittingPointSize(
      points, [&](double tried) { return fits(Font(face, tried)); }, floor);
  SendMessageW(controls_.at(control), WM_SETFONT, reinterpret_cast<WPARAM>(Font(face, fitting)),
               TRUE);
}

// lStatus grows with its text, up to the window's right margin, then takes a smaller font down to
// kStatusMinPoints, and below that is cut in the middle; the title keeps the whole text.
void ListtestWin32::ShowStatusLine(const std::wstring& text) {
  const ControlLayout& layout = LayoutOf(Control::lStatus);
  const int room = PixelsX(kStatusRightEdge - layout.left);
  ShrinkFontToFit(
      Control::lStatus, slot_face_, kSlotFontPoints,
      [&](HFONT font) { return TextSize(Control::lStatus, font, text, 0).cx <= room; },
      kStatusMinPoints);
  HWND status = controls_.at(Control::lStatus);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(status, WM_GETFONT, 0, 0));
  const std::wstring shown = ElidedInMiddle(Control::lStatus, font, text, room);
  const int width = std::clamp(static_cast<int>(TextSize(Control::lStatus, font, shown, 0).cx),
                               PixelsX(layout.width), room);
  SetWindowPos(status, nullptr, 0, 0, width, PixelsY(layout.height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(status, shown.c_str());
}

std::wstring ListtestWin32::ElidedInMiddle(Control control, HFONT font, const std::wstring& text,
                                           int width) {
  return WideText(ElideMiddle(Utf8Text(text), [&](const std::string& tried) {
    return TextSize(control, font, WideText(tried), 0).cx <= width;
  }));
}

void ListtestWin32::SetTitle(const std::string& text) {
  SetWindowTextW(window_, WideText(text).c_str());
}

void ListtestWin32::SetText(Control control, const std::string& text) {
  std::wstring wide = WideText(text);
  std::wstring& shown = texts_[control];
  if (wide == shown) return;
  shown = std::move(wide);
  const TextFit fit = LayoutOf(control).fit;
  if (fit == TextFit::kGrowShrinkFont) {
    ShowStatusLine(shown);
  } else if (fit == TextFit::kElideMiddle) {
    HWND label = controls_.at(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    RECT box;
    GetClientRect(label, &box);
    SetWindowTextW(label, ElidedInMiddle(control, font, shown, box.right).c_str());
  } else if (fit == TextFit::kElide) {
    // The slots that overlap this one draw part of its text too.
    RECT box = ParentRect(controls_.at(control));
    RedrawWindow(window_, &box, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  } else {
    SetWindowTextW(controls_.at(control), shown.c_str());
  }
}

RECT ListtestWin32::ParentRect(HWND control) const {
  RECT box;
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// A field slot is one line high (312 twips) but the slots stand 240 twips apart, so each one's
// descenders reach into the slot below. Each slot therefore draws, into its own rectangle, every
// slot's text that falls there, and the column reads the same whichever slot lies on top.
void ListtestWin32::DrawFieldSlot(HWND slot, HDC dc) {
  const RECT box = ParentRect(slot);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  // Drawn off screen first, so the slots do not flicker at every repaint of a run.
  HDC buffer = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ previous_bitmap = SelectObject(buffer, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(
      buffer, &all,
      dark_ ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ previous_font = SelectObject(buffer, Font(slot_face_, kSlotFontPoints));
  SetBkMode(buffer, TRANSPARENT);
  for (const ControlLayout& layout : kControls) {
    if (layout.fit != TextFit::kElide) continue;
    HWND other = controls_.at(layout.id);
    RECT place = ParentRect(other);
    RECT overlap;
    if (!IntersectRect(&overlap, &place, &box)) continue;
    OffsetRect(&place, -box.left, -box.top);
    SetTextColor(buffer, white_text_.count(other) != 0 ? kWhite : GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring& text = texts_[layout.id];
    DrawTextW(buffer, text.c_str(), static_cast<int>(text.size()), &place,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
  SelectObject(buffer, previous_font);
  SelectObject(buffer, previous_bitmap);
  DeleteObject(bitmap);
  DeleteDC(buffer);
}

void ListtestWin32::SetItems(Control control, const std::vector<std::string>& items) {
  HWND list = controls_.at(control);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void ListtestWin32::SetVisible(Control control, bool visible) {
  ShowWindow(controls_.at(control), visible ? SW_SHOWNA : SW_HIDE);
}

void ListtestWin32::SetEnabled(Control control, bool enabled) {
  EnableWindow(controls_.at(control), enabled ? TRUE : FALSE);
}

bool ListtestWin32::IsChecked(Control control) const {
  return SendMessageW(controls_.at(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ListtestWin32::SetDarkWindow() {
  dark_ = true;
  SetWindowLongPtrW(window_, GWL_STYLE, kSilentStyle);
  RECT frame{0, 0, PixelsX(kClientWidth), PixelsY(kClientHeight)};
  AdjustWindowRectEx(&frame, kSilentStyle, FALSE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(window_, nullptr, TRUE);
}

void ListtestWin32::SetWhiteText(Control control) {
  white_text_.insert(controls_.at(control));
  InvalidateRect(controls_.at(control), nullptr, TRUE);
}

void ListtestWin32::ShowMessageBox(MessageIcon icon, const std::string& title,
                                   const std::string& text) {
  const UINT type = MB_OK | (icon == MessageIcon::kCritical ? MB_ICONERROR : MB_ICONWARNING);
  MessageBoxW(window_, WideText(text).c_str(), WideText(title).c_str(), type);
}

// MessageBoxW hands out no handle to its box; the box is the one dialog of this thread, as the
// window makes no other.
void ListtestWin32::CloseMessageBox() {
  EnumThreadWindows(GetCurrentThreadId(), PressOkInMessageBox, 0);
}

void ListtestWin32::ProcessEvents() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Meant for the message loop the run was started from: leave it for that loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void ListtestWin32::StartTimer(FormTimer timer, std::chrono::milliseconds interval) {
  // Windows raises shorter intervals to its minimum of 10 ms; silent mode's start waits that long.
  SetTimer(window_, TimerId(timer), static_cast<UINT>(interval.count()), nullptr);
}

void ListtestWin32::StopTimer(FormTimer timer) { KillTimer(window_, TimerId(timer)); }

void ListtestWin32::CloseWindow() { SendMessageW(window_, WM_CLOSE, 0, 0); }

void ListtestWin32::EndProgram(int exit_code) {
  ShowWindow(window_, SW_HIDE);
  // Before the message loop runs, Run() returns the form's exit status itself.
  PostQuitMessage(exit_code);
}

// The performance counter costs tens of nanoseconds, little beside the reading between yields.
std::chrono::nanoseconds ListtestWin32::Now() const {
  return std::chrono::steady_clock::now().time_since_epoch();
}

}  // namespace tabulon
