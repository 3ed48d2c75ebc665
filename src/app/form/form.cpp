// The main window's behaviour: start-up, silent mode, the runs and what they show, the message
// boxes and the end of the program.
#include "app/form/form.h"

#include <iostream>
#include <new>

#include "app/form/display_text.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "shaping/shaping_settings.h"

namespace tabulon {
namespace {

// The field slots and the FieldSlots member each shows.
constexpr std::pair<Control, std::string FieldSlots::*> kFieldSlots[] = {
    {Control::lrom, &FieldSlots::lrom},       {Control::lDesc, &FieldSlots::lDesc},
    {Control::lYear, &FieldSlots::lYear},     {Control::LManu, &FieldSlots::LManu},
    {Control::LClone, &FieldSlots::LClone},   {Control::LEmu, &FieldSlots::LEmu},
    {Control::lCat, &FieldSlots::lCat},       {Control::lVer, &FieldSlots::lVer},
    {Control::LDriver, &FieldSlots::LDriver}, {Control::LVideo, &FieldSlots::LVideo},
    {Control::LInput, &FieldSlots::LInput},   {Control::LDriverC, &FieldSlots::LDriverC},
};

// The labels that turn white in silent mode, in the order they are switched; lgame and the
// disclaimer keep their colours.
constexpr Control kSilentWhiteLabels[] = {
    Control::lrom,   Control::lDesc,   Control::LEmu,     Control::lYear,   Control::LManu,
    Control::LVideo, Control::LDriver, Control::LInput,   Control::lCat,    Control::lVer,
    Control::LClone, Control::lStatus, Control::LDriverC, Control::lWritten};

constexpr std::chrono::milliseconds kTimer1Interval{2};
// Ctrl+C, a service stop or a closed terminal between runs ends the program within this time.
constexpr std::chrono::milliseconds kInterruptPollInterval{100};

}  // namespace

int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

double FittingPointSize(double points, const std::function<bool(double)>& fits, double floor) {
  while (!fits(points) && points > floor) points -= 0.5;
  return points;
}

std::string ElideMiddle(const std::string& text,
                        const std::function<bool(const std::string&)>& fits) {
  if (text.empty() || fits(text)) return text;
  // Where each character starts, so a cut never splits a UTF-8 sequence.
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 0 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  const auto kept = [&](size_t count) {
    const size_t head = (count + 1) / 2;
    const size_t tail = count / 2;
    return text.substr(0, starts[head]) + "\xE2\x80\xA6" +
           (tail == 0 ? std::string() : text.substr(starts[starts.size() - tail]));
  };
  // The most characters that fit, found by halving: fewer characters never take more room.
  size_t low = 0;
  size_t high = starts.size() - 1;
  while (low < high) {
    const size_t middle = (low + high + 1) / 2;
    if (fits(kept(middle))) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return kept(low);
}

int FormWindow::PendingInterrupt() const { return InterruptSignal(); }

Form::Form(FormWindow& window, bool silent_mode, std::string app_dir, RunFunction run)
    : window_(window),
      run_(std::move(app_dir), this),
      run_function_(std::move(run)),
      silent_mode_(silent_mode) {
  if (!run_function_) {
    run_function_ = [](RunState& state, std::vector<std::string>* files) {
      return RunGeneration(state, files);
    };
  }
}

void Form::Form_Initialize() {
  // During a run the run sees an interrupt at its next yield and stops first; between runs this
  // poll ends the program.
  window_.StartTimer(FormTimer::kInterruptPoll, kInterruptPollInterval);
  if (!silent_mode_) return;
  window_.SetDarkWindow();
  for (const Control label : kSilentWhiteLabels) window_.SetWhiteText(label);
  window_.SetVisible(Control::Command1, false);
  window_.SetVisible(Control::File1, false);
  window_.StartTimer(FormTimer::kTimer1, kTimer1Interval);
}

void Form::Form_Load() {
  if (loaded_) return;
  loaded_ = true;
  try {
    LoadAppFolder(run_, &dat_files_);
  } catch (const Error& e) {
    // LoadAppFolder has written the failure into tabulonreport.txt when it could.
    // No run may start behind the message box: silent mode's timer would otherwise fire while
    // it is open and replace the master list with an empty one.
    window_.StopTimer(FormTimer::kTimer1);
    load_failed_ = true;
    ShowError(e.what(), "Tabulon cannot start without its dats and catvers folders.");
    EndProgram(1);
    return;
  }
  FillFile1();
  ShowShapingRow();
}

void Form::ShowShapingRow() {
  if (silent_mode_ || !IsFile(ShapingFile())) return;
  bool enabled = true;
  try {
    enabled = ShapingEnabledIn(ShapingFile());
  } catch (const Error&) {
    // The run names a file it cannot read; the box stays as the missing key would have it.
  }
  window_.SetClientHeight(kClientHeightWithShaping);
  window_.SetChecked(Control::chkShaping, enabled);
  window_.SetVisible(Control::chkShaping, true);
  window_.SetVisible(Control::cmdSettings, true);
}

std::string Form::ShapingFile() const { return InFolder(run_.app_dir, kShapingFileName); }

void Form::chkShaping_Click() {
  const bool enabled = window_.IsChecked(Control::chkShaping);
  try {
    SetShapingEnabled(ShapingFile(), enabled);
  } catch (const Error& e) {
    window_.SetChecked(Control::chkShaping, !enabled);
    ShowError(e.what(), "The shaping of the list was not changed.");
  }
}

void Form::cmdSettings_Click() {
  if (!window_.OpenInEditor(ShapingFile())) {
    ShowError(ShapingFile() + ": no editor could be started for it",
              "Open it with a text editor of your own.");
  }
}

void Form::Command1_Click(bool shift_held) {
  if (running_ || exit_code_ >= 0 || load_failed_) return;
  running_ = true;
  stop_requested_ = false;
  window_.SetEnabled(Control::Command1, false);
  window_.SetEnabled(Control::chkShaping, false);
  window_.SetText(Control::lWritten, "");
  run_.layout =
      window_.IsChecked(Control::Quintara) ? RecordLayout::kQuintara : RecordLayout::kNormal;
  run_.refresh_mame = shift_held;
  last_repaint_ = window_.Now() - repaint_interval_;

  const std::string not_written = "The master list was not written; the previous one is unchanged.";
  Outcome outcome = Outcome::kWritten;
  GenerationResult result;
  try {
    result = run_function_(run_, &dat_files_);
  } catch (const RunCancelled&) {
    outcome = Outcome::kStopped;
  } catch (const MameListinfoFailed&) {
    // The user has just acknowledged the MAME failure message; without MAME's own list the run
    // cannot go on, and the program ends.
    outcome = Outcome::kMameFailed;
  } catch (const Error& e) {
    outcome = Outcome::kFailed;
    ShowError(e.what(), not_written);
  } catch (const std::bad_alloc&) {
    outcome = Outcome::kFailed;
    ShowError("out of memory", not_written);
  } catch (const std::exception& e) {
    outcome = Outcome::kFailed;
    ShowError(e.what(), not_written);
  } catch (...) {
    outcome = Outcome::kFailed;
    ShowError("an unexpected failure", not_written);
  }
  if (outcome == Outcome::kFailed) ShowStatus("List Creation Failed");
  if (outcome == Outcome::kWritten && result.shaped) {
    ShowStatus("List Creation Complete (" + std::to_string(result.mame_kept) + " of " +
               std::to_string(result.mame_in) + " MAME games kept)");
  }
  if (outcome == Outcome::kWritten) {
    window_.SetText(Control::lWritten, std::to_string(result.lines_written) +
                                           (result.lines_written == 1 ? " line" : " lines") +
                                           " written to " + DisplayText(result.master_list));
  }
  ShowSlots();
  FillFile1();  // the MAME step may have found new dats
  running_ = false;
  window_.SetEnabled(Control::Command1, true);
  window_.SetEnabled(Control::chkShaping, true);
  last_outcome_ = outcome;

  if (outcome == Outcome::kMameFailed) {
    EndProgram(1);
  } else if (const int signal = window_.PendingInterrupt(); signal != 0) {
    // An interrupt that came after the run had ended, while its failure was shown, stopped no
    // run: it ends the program as between runs.
    if (outcome == Outcome::kStopped) {
      std::cerr << "tabulon: the run was stopped by " << SignalName(signal)
                << "; the master list and category files are unchanged\n";
    }
    EndProgram(128 + signal);
  } else if (close_requested_) {
    window_.CloseWindow();
  } else if (outcome == Outcome::kWritten && !run_.report.warnings.empty() && !silent_mode_) {
    ShowWarnings();
  }
}

void Form::Timer1_Timer() {
  window_.StopTimer(FormTimer::kTimer1);
  if (load_failed_) return;
  Command1_Click();
  EndProgram(last_outcome_ == Outcome::kWritten ? 0 : 1);
}

void Form::TimerFired(FormTimer timer) {
  if (timer == FormTimer::kTimer1) {
    Timer1_Timer();
  } else if (const int signal = window_.PendingInterrupt(); signal == 0) {
    return;
  } else if (box_open_) {
    window_.CloseMessageBox();
  } else if (!running_) {
    EndProgram(128 + signal);
  }
}

bool Form::Form_QueryUnload() {
  if (!running_) return true;
  stop_requested_ = true;
  close_requested_ = true;
  return false;
}

void Form::RunStarted() {
  window_.SetVisible(Control::lbldisclaimer, false);
  window_.SetVisible(Control::File1, false);
}

void Form::ShowStatus(const std::string& text) {
  // The title shows the latest status text, and the status line shows the title.
  const std::string shown = DisplayText(text);
  window_.SetTitle(shown);
  window_.SetText(Control::lStatus, shown);
}

bool Form::Yield() {
  if (stop_requested_) return false;
  if (window_.Now() - last_repaint_ < repaint_interval_) return true;
  ShowSlots();
  window_.ProcessEvents();
  last_repaint_ = window_.Now();
  return !stop_requested_;
}

void Form::Warning(const std::string& text) { std::cerr << "tabulon: warning: " << text << '\n'; }

void Form::ShowMessage(const std::string& title, const std::string& text) {
  if (silent_mode_) {
    std::cerr << "tabulon: " << title << ": " << text << '\n';
    return;
  }
  ShowBox(MessageIcon::kExclamation, DisplayText(title), DisplayText(text));
  if (const int signal = window_.PendingInterrupt(); running_ && signal != 0) {
    throw RunInterrupted(signal);
  }
}

void Form::ShowSlots() {
  for (const auto& [control, field] : kFieldSlots) {
    window_.SetText(control, DisplayText(run_.slots.*field));
  }
  window_.SetText(Control::lgame, DisplayText(run_.lgame));
}

void Form::FillFile1() {
  std::vector<std::string> names;
  names.reserve(dat_files_.size());
  for (const std::string& name : dat_files_) names.push_back(DisplayText(name));
  window_.SetItems(Control::File1, names);
}

void Form::ShowWarnings() {
  // The full list is in tabulonreport.txt; a box with thousands of lines would not fit a screen.
  constexpr size_t kShown = 20;
  const std::vector<std::string>& warnings = run_.report.warnings;
  std::string text = warnings.size() == 1 ? "The list was written, with 1 warning:"
                                          : "The list was written, with " +
                                                std::to_string(warnings.size()) + " warnings:";
  for (size_t i = 0; i < warnings.size() && i < kShown; ++i) {
    text += "\n\n" + DisplayText(warnings[i]);
  }
  if (warnings.size() > kShown) {
    text += "\n\n... and " + std::to_string(warnings.size() - kShown) + " more.";
  }
  text +=
      "\n\nAll of them are in " + DisplayText(InFolder(run_.app_dir, "tabulonreport.txt")) + ".";
  ShowBox(MessageIcon::kExclamation, kTitle, text);
}

void Form::ShowError(const std::string& what, const std::string& consequence) {
  if (silent_mode_) {
    std::cerr << "tabulon: error: " << what << "\ntabulon: " << consequence << '\n';
    return;
  }
  ShowBox(MessageIcon::kCritical, kTitle, DisplayText(what) + "\n\n" + consequence);
}

void Form::ShowBox(MessageIcon icon, const std::string& title, const std::string& text) {
  box_open_ = true;
  window_.ShowMessageBox(icon, title, text);
  box_open_ = false;
  // During a run, the run's own end decides (Command1_Click).
  if (const int signal = window_.PendingInterrupt(); !running_ && signal != 0) {
    EndProgram(128 + signal);
  }
}

void Form::EndProgram(int exit_code) {
  if (exit_code_ >= 0) return;
  exit_code_ = exit_code;
  window_.StopTimer(FormTimer::kTimer1);
  window_.EndProgram(exit_code);
}

}  // namespace tabulon
