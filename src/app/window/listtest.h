// The main window listtest: the dat file list, the button that starts a generation run, the field
// slots that show the game being read, and the status line. In silent mode the window's timer
// starts the run by itself and the program ends with it.
#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "records/run_state.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace tabulon {

// The run happens on the GUI thread: the engine calls Yield() at every block and line it reads,
// and the window repaints there, at most once per repaint interval, so painting never slows a
// long list down by much. The window is the run's View; the RunState it holds outlives each run, so
// the field slots keep the last game shown.
class Listtest : public QWidget, public View {
  Q_OBJECT

 public:
  // The generation run the button starts; tests pass a stand-in to reach failures the engine
  // cannot be made to produce on demand.
  using RunFunction = std::function<GenerationResult(RunState&, std::vector<std::string>*)>;

  // Builds the window with its normal or silent-mode look (Form_Initialize). `app_dir` is the
  // application folder without a trailing separator; it is not touched before the window is shown.
  // An empty `run` is RunGeneration.
  Listtest(bool silent_mode, std::string app_dir, RunFunction run = {});
  ~Listtest() override;

  // One generation run, start to finish. A call while a run is under way does nothing: the run
  // lets events in while it reads, and a nested run would empty the records under the first.
  // Failures are shown in a message box here and nowhere else.
  void Command1_Click();
  // Silent mode's one tick: runs the list, then ends the program (exit status 0 when the list
  // was written, 1 otherwise).
  void Timer1_Timer();

  void RunStarted() override;
  void ShowStatus(const std::string& text) override;
  // Returns false once the user has closed the window: the run then ends without writing.
  bool Yield() override;
  // Warnings go to stderr as they come, where tabulon-cli also puts them; the window lists them
  // at the end of the run, and tabulonreport.txt keeps them.
  void Warning(const std::string& text) override;
  // A warning box with an OK button; returns when the user has closed it.
  void ShowMessage(const std::string& title, const std::string& text) override;

  // The least time between two repaints during a run; zero repaints at every yield.
  void set_repaint_interval(std::chrono::milliseconds interval) { repaint_interval_ = interval; }
  bool running() const { return running_; }
  // The exit status once the window has ended the program, -1 while it goes on. main() needs it
  // when the window ends the program before the event loop has started.
  int exit_code() const { return exit_code_; }
  const RunState& run() const { return run_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Outcome { kWritten, kStopped, kFailed, kMameFailed };

  void Form_Initialize(bool silent_mode);
  void Form_Load();
  // Twips, the unit the layout was drawn in, to pixels at the screen's logical DPI.
  QRect Twips(int left, int top, int width, int height) const;
  void ShowSlots();
  void ShowStatusLine(const QString& text);
  void FillFile1();
  void ShowError(const std::string& what, const QString& consequence);
  // At the end of a run with warnings, outside silent mode: how many, and the first of them.
  void ShowWarnings();
  void EndProgram(int exit_code);

  RunState run_;
  RunFunction run_function_;
  std::vector<std::string> dat_files_;  // what File1 lists
  std::chrono::milliseconds repaint_interval_{10};
  std::chrono::nanoseconds last_repaint_{0};  // on the coarse monotonic clock
  bool silent_mode_ = false;
  bool loaded_ = false;
  bool load_failed_ = false;  // the working folders could not be made: no run may start
  bool running_ = false;
  bool stop_requested_ = false;
  bool close_requested_ = false;
  Outcome last_outcome_ = Outcome::kWritten;
  int exit_code_ = -1;

  // The controls, owned by the window through Qt's parent; named as the rest of the system
  // knows them.
  QLabel* lbldisclaimer;
  QListWidget* File1;
  QPushButton* Command1;
  QLabel* lStatus;
  // Stays empty: the run's records live in run().List1, which the master list is written from;
  // a second copy in a widget would cost a large list a noticeable share of its time.
  QListWidget* List1;
  QTimer* Timer1;
  QLabel* lgame;  // the block text being read
  QCheckBox* Quintara;
  std::vector<QLabel*> field_slots_;  // lrom ... LDriverC, in the order of kFieldSlots
};

}  // namespace tabulon
