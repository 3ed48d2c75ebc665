// The main window listtest without a toolkit: its controls and their layout, what each of them
// shows and when, silent mode, the runs started from the button or the timer, the message boxes
// and the end of the program. The Qt shell and the Win32 shell draw it and forward its events,
// so the two windows cannot behave differently.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "records/run_state.h"

namespace tabulon {

// The controls, named as the rest of the system knows them.
enum class Control {
  lbldisclaimer,
  File1,
  Command1,
  lStatus,
  List1,
  lgame,
  Quintara,
  lrom,
  lDesc,
  lYear,
  LManu,
  LClone,
  LEmu,
  lCat,
  lVer,
  LDriver,
  LVideo,
  LInput,
  LDriverC,
  lWritten,
  chkShaping,
  cmdSettings,
};

enum class ControlKind { kLabel, kButton, kFileList, kSortedList, kCheckBox };

// How a label copes with a text wider than its box. The layout was drawn for a narrower font
// than most systems have.
enum class TextFit {
  kNone,
  kElide,           // cut at the right with "..." (a field slot: the next game comes soon)
  kWrapShrinkFont,  // word-wrapped; the font shrinks until the lines fit the box's height
  kShrinkFont,      // the font shrinks until the caption fits the width (the button)
  // The box grows to the right up to the window's right margin, then the font shrinks: the
  // status texts tell the user what the run is doing and must not lose their end.
  kGrowShrinkFont,
  // Cut in the middle with "…", so both the start and the end stay (a count and a file name).
  kElideMiddle,
};

// Positions and sizes are in twips (1440 to the inch), the unit the layout was drawn in; each
// shell converts them with its screen's DPI (TwipsToPixels).
struct ControlLayout {
  Control id;
  const char* name;
  ControlKind kind;
  int left, top, width, height;
  const char* caption;  // UTF-8; "&" marks the button's access key
  bool slot_font;       // kSlotFont instead of the window's font
  bool shown;           // at creation, before silent mode hides what it hides
  TextFit fit;
};

constexpr int kClientWidth = 6435;  // twips
constexpr int kClientHeight = 4470;
// With tabulon.ini in the application folder the window grows by a row under the button, for
// its check box and its Settings button; without it the window stays as it always was.
constexpr int kClientHeightWithShaping = kClientHeight + 480;
// The right edge lStatus may grow to.
constexpr int kStatusRightEdge = kClientWidth - 120;
constexpr const char* kTitle = "Tabulon Version 5.0";

// A field slot: one line of the column of labels that shows the game being read.
constexpr ControlLayout FieldSlot(Control id, const char* name, int top) {
  return {id,   name, ControlKind::kLabel, 120, top, kClientWidth - 240, 312, "",
          true, true, TextFit::kElide};
}

// Every control, in the order the shells create them: back to front, so File1 covers the lower
// field slots until a run hides it. The field slots come in the order of FieldSlots.
inline constexpr ControlLayout kControls[] = {
    FieldSlot(Control::lrom, "lrom", 240),
    FieldSlot(Control::lDesc, "lDesc", 480),
    FieldSlot(Control::lYear, "lYear", 720),
    FieldSlot(Control::LManu, "LManu", 960),
    FieldSlot(Control::LClone, "LClone", 1200),
    FieldSlot(Control::LEmu, "LEmu", 1440),
    FieldSlot(Control::lCat, "lCat", 1680),
    FieldSlot(Control::lVer, "lVer", 1920),
    FieldSlot(Control::LDriver, "LDriver", 2280),
    FieldSlot(Control::LVideo, "LVideo", 2520),
    FieldSlot(Control::LInput, "LInput", 2760),
    FieldSlot(Control::LDriverC, "LDriverC", 3240),
    // Under the field slots, after a run that wrote the list: how many lines, and where.
    {Control::lWritten, "lWritten", ControlKind::kLabel, 120, 3600, kClientWidth - 240, 312, "",
     false, true, TextFit::kElideMiddle},
    {Control::lbldisclaimer, "lbldisclaimer", ControlKind::kLabel, 120, 120, 5652, 732,
     "IMPORTANT NOTE:  This generator reads the mame.cfg file you have setup for the front end in "
     "the \"cfgs\" folder and makes it's own dat file by calling mame.  A mame dat file is not "
     "needed and shouldn't be included in this list.",
     false, true, TextFit::kWrapShrinkFont},
    {Control::File1, "File1", ControlKind::kFileList, 120, 960, 5772, 2625, "", false, true,
     TextFit::kNone},
    {Control::Command1, "Command1", ControlKind::kButton, 120, 3960, 1212, 372, "&Generate List",
     false, true, TextFit::kShrinkFont},
    {Control::lStatus, "lStatus", ControlKind::kLabel, 1440, 3960, 72, 312, "", true, true,
     TextFit::kGrowShrinkFont},
    // Stays empty: the run's records live in RunState::List1, which the master list is written
    // from; a second copy in a control would cost a large list a noticeable share of its time.
    {Control::List1, "List1", ControlKind::kSortedList, 5280, 2040, 972, 2010, "", false, false,
     TextFit::kNone},
    // The text of the block being read; it only ever served the dat reader as a buffer.
    {Control::lgame, "lgame", ControlKind::kLabel, 3120, 1680, 612, 732, "Label1", false, false,
     TextFit::kNone},
    // Nothing shows or sets it, so every run writes the normal layout; tabulon-cli offers the
    // other one. It has no place of its own.
    {Control::Quintara, "Quintara", ControlKind::kCheckBox, 0, 0, 0, 0, "Quintara Format", false,
     false, TextFit::kNone},
    // Shown only when tabulon.ini is there: whether its settings shape the list, and the file
    // opened in the system's editor.
    {Control::chkShaping, "chkShaping", ControlKind::kCheckBox, 120, 4470, 2880, 312,
     "&Shape with tabulon.ini", false, false, TextFit::kNone},
    {Control::cmdSettings, "cmdSettings", ControlKind::kButton, 3120, 4440, 1212, 372,
     "Settings...", false, false, TextFit::kNone},
};

constexpr const ControlLayout& LayoutOf(Control control) {
  for (const ControlLayout& layout : kControls) {
    if (layout.id == control) return layout;
  }
  return kControls[0];  // not reached: every control has its row
}
// The window's font, the classic dialog size (the disclaimer does not fit its box at 9 points),
// and the field slots' font, which the cabinets the lists are made for have; elsewhere the
// nearest sans font stands in, at the same size so the slots keep their line spacing.
constexpr double kWindowFontPoints = 8;
constexpr const char* kSlotFontFace = "@Arial Unicode MS";
constexpr double kSlotFontPoints = 12;
// The smallest font the status line shrinks to; a text that does not fit at this size is cut in
// the middle instead, as smaller letters would no longer be read at a glance.
constexpr double kStatusMinPoints = 9;

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi);

// The font size for a text that may not fit its box: `points`, less half a point at a time while
// `fits(size)` says no, but never below `floor`.
double FittingPointSize(double points, const std::function<bool(double)>& fits, double floor = 6);

// `text` (UTF-8) as it is when `fits(text)`; otherwise the longest text made of its start, "…"
// and its end (the start one character longer when they differ) that fits, cut only between
// characters. Just "…" when nothing more fits.
std::string ElideMiddle(const std::string& text,
                        const std::function<bool(const std::string&)>& fits);

enum class MessageIcon { kExclamation, kCritical };
enum class FormTimer { kTimer1, kInterruptPoll };

// What the form asks of the shell that draws it. Texts are UTF-8. Calls may come while the form
// is inside a run, from within ProcessEvents' own events.
class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual void SetTitle(const std::string& text) = 0;
  // A label's caption, fitted as its layout says.
  virtual void SetText(Control control, const std::string& text) = 0;
  // The entries of a list control, in this order.
  virtual void SetItems(Control control, const std::vector<std::string>& items) = 0;
  virtual void SetVisible(Control control, bool visible) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsChecked(Control control) const = 0;
  virtual void SetChecked(Control control, bool checked) = 0;
  // Gives the window's client area this height in twips, its width unchanged.
  virtual void SetClientHeight(int twips) = 0;
  // Opens the file in the system's editor for its kind; false when nothing could open it.
  virtual bool OpenInEditor(const std::string& path) = 0;
  // Silent mode's look, for a cabinet that runs unattended: a black window with a frame that
  // cannot be resized and no border icons, and white text in the given labels.
  virtual void SetDarkWindow() = 0;
  virtual void SetWhiteText(Control control) = 0;
  // A modal box with an OK button; returns when the user has closed it, or CloseMessageBox has.
  virtual void ShowMessageBox(MessageIcon icon, const std::string& title,
                              const std::string& text) = 0;
  // Closes the box ShowMessageBox has open as its OK button would. Called from a timer that
  // fires while the box is open, inside the box's own event handling.
  virtual void CloseMessageBox() = 0;
  // Handles the pending window events: repaints, clicks, a close, timers.
  virtual void ProcessEvents() = 0;
  // The shell calls Form::TimerFired every `interval` until the timer is stopped.
  virtual void StartTimer(FormTimer timer, std::chrono::milliseconds interval) = 0;
  virtual void StopTimer(FormTimer timer) = 0;
  // Closes the window as the user's close would, after the form agreed in Form_QueryUnload.
  virtual void CloseWindow() = 0;
  // Hides the window and ends the program with `exit_code` once control is back in the event
  // loop; before the loop has started, the shell's main returns Form::exit_code() itself.
  virtual void EndProgram(int exit_code) = 0;
  // A monotonic clock for pacing the repaints. It is read at every yield of a run, hundreds of
  // thousands of times in a large list, so it should be the cheapest the platform has; a
  // resolution of a few milliseconds is plenty.
  virtual std::chrono::nanoseconds Now() const = 0;
  // The signal that asked the program to stop, or 0 while none has (InterruptSignal). Tests
  // raise one here, as a real signal cannot be taken back for the tests that follow.
  virtual int PendingInterrupt() const;
};

// The run happens on the GUI thread: the engine calls Yield() at every block and line it reads,
// and the form has the shell process its events there, at most once per repaint interval, so
// painting never slows a long list down by much. The form is the run's View; the RunState it
// holds outlives each run, so the field slots keep the last game shown.
class Form : public View {
 public:
  // The generation run the button starts; tests pass a stand-in to reach failures the engine
  // cannot be made to produce on demand.
  using RunFunction = std::function<GenerationResult(RunState&, std::vector<std::string>*)>;

  // `window` draws the form and outlives it. `app_dir` is the application folder without a
  // trailing separator; it is not touched before Form_Load. An empty `run` is RunGeneration.
  Form(FormWindow& window, bool silent_mode, std::string app_dir, RunFunction run = {});

  // The events the shell forwards. Form_Initialize once the shell has made the controls as
  // kControls lays them out; Form_Load when the window is first shown (later calls do nothing).
  void Form_Initialize();
  void Form_Load();
  // One generation run, start to finish. A call while a run is under way does nothing: the run
  // lets events in while it reads, and a nested run would empty the records under the first.
  // Failures are shown in a message box here and nowhere else; in silent mode, which must never
  // wait for a click, they go to stderr instead (tabulonreport.txt has them too). A run that
  // wrote the list says under the field slots how many lines it wrote, and where. With Shift
  // held, MAME runs even when it is unchanged since the run that made its lists.
  void Command1_Click(bool shift_held = false);
  // The check box of tabulon.ini writes its [Shaping] Enabled as the box now stands; the
  // Settings button opens the file in the system's editor.
  void chkShaping_Click();
  void cmdSettings_Click();
  // Silent mode's one tick: runs the list, then ends the program (exit status 0 when the list
  // was written, 1 otherwise).
  void Timer1_Timer();
  // The interrupt poll: Ctrl+C, a service stop or a closed terminal ends the program between
  // runs. An open message box is closed first, as nobody may be there to click it, and the
  // program ends once the code that showed the box has gone on as it does after a click.
  void TimerFired(FormTimer timer);
  // The user asks to close the window: true when it may close now. During a run the run is
  // asked to stop, and the form closes the window once the run has unwound, so neither the
  // master list nor a category file is left half-written.
  bool Form_QueryUnload();

  void RunStarted() override;
  void ShowStatus(const std::string& text) override;
  // Returns false once the user has closed the window: the run then ends without writing.
  bool Yield() override;
  // Warnings go to stderr as they come, where tabulon-cli also puts them; the window lists them
  // at the end of the run, and tabulonreport.txt keeps them.
  void Warning(const std::string& text) override;
  // A box with an exclamation mark and an OK button; returns when the user has closed it. In
  // silent mode the text goes to stderr. Throws RunInterrupted when an interrupt came while the
  // box was open, so the run stops there as it would at its next yield.
  void ShowMessage(const std::string& title, const std::string& text) override;

  // The least time between two repaints during a run; zero repaints at every yield.
  void set_repaint_interval(std::chrono::milliseconds interval) { repaint_interval_ = interval; }
  bool silent_mode() const { return silent_mode_; }
  bool running() const { return running_; }
  // The exit status once the form has ended the program, -1 while it goes on.
  int exit_code() const { return exit_code_; }
  const RunState& run() const { return run_; }

 private:
  enum class Outcome { kWritten, kStopped, kFailed, kMameFailed };

  void ShowSlots();
  void FillFile1();
  // Shows the row of tabulon.ini's controls when the file is there, outside silent mode.
  void ShowShapingRow();
  std::string ShapingFile() const;
  void ShowError(const std::string& what, const std::string& consequence);
  // At the end of a run with warnings, outside silent mode: how many, and the first of them.
  void ShowWarnings();
  // Every box goes through here, so that an interrupt can close it. Outside a run, an interrupt
  // that came while it was open ends the program when it is closed.
  void ShowBox(MessageIcon icon, const std::string& title, const std::string& text);
  void EndProgram(int exit_code);

  FormWindow& window_;
  RunState run_;
  RunFunction run_function_;
  std::vector<std::string> dat_files_;  // what File1 lists
  std::chrono::milliseconds repaint_interval_{10};
  std::chrono::nanoseconds last_repaint_{0};
  bool silent_mode_;
  bool loaded_ = false;
  bool load_failed_ = false;  // the working folders could not be made: no run may start
  bool running_ = false;
  bool stop_requested_ = false;
  bool close_requested_ = false;
  bool box_open_ = false;
  Outcome last_outcome_ = Outcome::kWritten;
  int exit_code_ = -1;
};

}  // namespace tabulon
