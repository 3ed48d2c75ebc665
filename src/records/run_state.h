// The state one generation run works on, and the view it reports to. The window, the CLI and the
// tests each implement View; the engine never talks to a screen or a terminal directly.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_io.h"
#include "records/field_slots.h"
#include "records/game_record.h"
#include "records/record_list.h"

namespace tabulon {

class View {
 public:
  virtual ~View() = default;
  // A run begins: the window hides its disclaimer and its dat file list.
  virtual void RunStarted() {}
  // A new status text: the window shows it in its title and status line.
  virtual void ShowStatus(const std::string& text) = 0;
  // Called often while a dat is read (at every block and line), so a window can repaint and show
  // the slots. Returns false when the user asked the run to stop; the run then ends without
  // writing anything more.
  virtual bool Yield() { return true; }
  // Something was wrong with the input but the run goes on (a short line skipped, ...).
  virtual void Warning(const std::string& text) = 0;
  // A message the user has to acknowledge (the window shows a message box).
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

// What one dat gave, for the run summary.
struct DatSummary {
  std::string name;
  size_t records = 0;
};

struct RunState {
  RunState(std::string app_folder, View* run_view)
      : app_dir(std::move(app_folder)), view(run_view) {}

  // Sets the status text and shows it.
  void ShowStatus(const std::string& text);
  // Gives the view its chance to repaint; throws RunCancelled when the user stopped the run.
  void Yield() const;
  // Records a warning for the summary and shows it.
  void Warn(const std::string& text);

  std::string DatsDir() const { return app_dir + "/dats"; }
  std::string CatversDir() const { return app_dir + "/catvers"; }

  std::string app_dir;  // the application folder, without a trailing separator
  View* view;
  RecordLayout layout = RecordLayout::kNormal;

  FieldSlots slots;
  std::string lgame;   // text of the block being read
  RecordList List1;    // the records of this run
  std::string status;  // the latest status text

  // MAME: where it is and whether its own list is being read.
  bool IsMame = false;
  bool MameMode = false;
  std::string MamePath;
  std::string MameExe;
  // Runs one of MAME's scripts in the MAME folder and waits for it: (folder, script name, error)
  // -> whether it could be started and waited on. Empty: the platform's script runner.
  std::function<bool(const std::string&, const std::string&, std::string*)> script_runner;
  // MAME's side outputs, open only while its listinfo.dat is read.
  std::unique_ptr<LineReader> listdetails;
  std::unique_ptr<LineReader> gamelist;
  // Game blocks of MAME's list, and those that found no row left in a side file.
  size_t paired_games = 0;
  size_t listdetails_short = 0;
  size_t gamelist_short = 0;

  std::vector<DatSummary> dats;
  std::vector<std::string> warnings;
};

}  // namespace tabulon
