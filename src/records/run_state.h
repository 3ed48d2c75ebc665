// The state every reader of a generation run shares, the view the run reports to, and what its
// report is made of. MAME's own state (where it is, its side files) belongs to the MAME
// extraction, not here.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/task.h"
#include "records/field_slots.h"
#include "records/game_record.h"
#include "records/held_record.h"
#include "records/record_list.h"
#include "records/view.h"

namespace tabulon {

// How a dat's category file served its sets, for the run report: what users look up first when a
// game is missing from their front end or shows no category.
struct CategorySummary {
  static constexpr size_t kNamesShown = 20;

  std::string file;      // as the report names it: catvers/<name>; empty when no file was looked at
  bool made = false;     // the file was missing: every set got the placeholders
  size_t found = 0;      // sets whose category the file gave, under their own or parent's name
  size_t not_found = 0;  // sets it gave none
  size_t placeholders = 0;  // sets with an entry in the file made for them
  size_t tltc = 0;          // sets of MAME's own list given "TLTC" for a category or version
  std::vector<std::string> first_not_found;  // the names of the first kNamesShown not found
};

// What one dat gave, for the run summary.
struct DatSummary {
  std::string name;
  size_t records = 0;
  CategorySummary categories;
};

// What the MAME step gave, for the run report.
struct MameSummary {
  std::string lists;     // where the lists read came from; empty when MAME's games were left out
  std::string left_out;  // why MAME's games were left out; empty when they were read
  // Set when an earlier run's lists were read instead of running MAME: which MAME made them
  // ("MAME 0.251 (...)").
  std::string reused_from;
  size_t games = 0;
  size_t resources = 0;
  // Machines the -listxml conversion left out as devices; known only when it ran in this run.
  std::optional<size_t> devices_left_out;
  CategorySummary categories;

  // MAME's games are left out for `why`: what was read of them is forgotten. Whether the lists
  // were reused stays, as MAME was not run all the same.
  void LeaveOut(std::string why) {
    std::string reused = std::move(reused_from);
    *this = MameSummary();
    left_out = std::move(why);
    reused_from = std::move(reused);
  }
};

// Which MAME settings and program the run used, for the head of the report.
struct MameSetup {
  std::string settings;  // the cfgs/mame.cfg read; empty when there was none
  std::string program;   // the MAME it names, when that is there to run
  std::string build;     // the build its -listxml named, in this run or the run its lists are from
};

// What the list shaping of tabulon.ini did to MAME's records, for the report and the summary.
struct ShapingSummary {
  bool active = false;
  std::string file;                // the settings file as the report names it
  size_t in = 0;                   // MAME's records before shaping
  size_t out = 0;                  // and after
  std::vector<std::string> lines;  // the report's lines of each step, indented
};

// What the run report is made of, gathered as the run goes: each source's summary, MAME's setup,
// and what the user is told besides.
struct RunReport {
  std::vector<DatSummary> dats;
  MameSummary mame;
  MameSetup mame_setup;
  std::vector<std::string> warnings;  // every warning, in the order it was given
  std::vector<std::string> notes;     // lines for the report alone (Note)
  ShapingSummary shaping;
};

// Which list shaping settings a run is to read, as the command line asked.
struct ShapingRequest {
  std::string file;                      // --shaping FILE; empty: tabulon.ini, when there is one
  bool ignore = false;                   // --no-shaping
  std::vector<std::string> set_options;  // each --set SECTION.KEY=VALUE, in order
};

// The lock file of a folder a run writes in; hidden, and left in place when the run ends.
inline constexpr const char* kFolderLockName = ".tabulon.lock";

struct RunState {
  RunState(std::string app_folder, View* run_view)
      : app_dir(std::move(app_folder)), view(run_view) {}

  // Sets the status text and shows it.
  void ShowStatus(const std::string& text);
  // Gives the view its chance to repaint; throws RunCancelled when the user stopped the run.
  void Yield() const;
  // Records a warning for the summary and shows it.
  void Warn(const std::string& text);
  // Records a line for the report alone: something the user may want to know (a file in dats/
  // that is not read, lists read as they stand) that is no mistake worth a warning.
  void Note(const std::string& text) { report.notes.push_back(text); }

  // Locks `folder` against other runs, through its lock file kFolderLockName, for as long as the
  // returned lock lives. While another run holds it, this one waits, showing so and yielding,
  // or with no_wait throws FolderBusy. A lock file that cannot be made gives an unlocked lock,
  // with the reason in `error`: a folder that takes no files needs no lock.
  FileLock LockFolder(const std::string& folder, std::string* error);

  std::string DatsDir() const { return InFolder(app_dir, "dats"); }
  std::string CatversDir() const { return InFolder(app_dir, "catvers"); }

  std::string app_dir;  // the application folder, without a trailing separator
  View* view;
  RecordLayout layout = RecordLayout::kNormal;
  bool no_wait = false;       // end with FolderBusy, not wait, when another run has the folder
  bool refresh_mame = false;  // run MAME even when the lists it gave last time are still good
  ShapingRequest shaping;

  FieldSlots slots;
  std::string lgame;  // text of the block being read
  RecordList List1;   // the records of this run
  // While the list is shaped, MAME's own records are held here instead of going into List1,
  // until the shaping has chosen those it keeps.
  bool hold_mame = false;
  std::vector<HeldRecord> held_mame;
  StringArena held_text;  // their texts
  std::string status;     // the latest status text

  RunReport report;  // emptied by each generation run as it starts

  // Lets `task` go on beside the rest of the run; should it fail, `warning` is shown, followed by
  // the failure's own text.
  void Beside(Task task, std::string warning) {
    background.push_back({std::move(task), std::move(warning)});
  }
  // Waits for what goes on beside the run; each failure of it is a warning.
  void WaitForBackground();

  // What a step left going on beside the rest of the run (the deleting of MAME's lists kept
  // aside); the run waits for it before it ends, and so does the state's end.
  struct BackgroundTask {
    Task task;
    std::string warning;
  };
  std::vector<BackgroundTask> background;
};

}  // namespace tabulon
