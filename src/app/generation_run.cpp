// The generation run.
#include "app/generation_run.h"

#include <ctime>
#include <optional>
#include <utility>

#include "app/dat_checks.h"
#include "datparse/dat_reader.h"
#include "mame/mame_data.h"
#include "mame/mame_run.h"
#include "mame/xml_dat.h"
#include "platform/error.h"
#include "platform/file_list.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/strings.h"
#include "platform/text_io.h"
#include "records/game_record.h"
#include "records/vp_reader.h"
#include "shaping/shaping.h"
#include "shaping/shaping_settings.h"

namespace tabulon {

namespace {
void WriteRunReport(RunState& run, const GenerationResult* result, const std::string& ending);
}  // namespace

void LoadAppFolder(RunState& run, std::vector<std::string>* file_list) {
  try {
    MakeFolderIfMissing(run.DatsDir());
    MakeFolderIfMissing(run.CatversDir());
    *file_list = ListDatFiles(run.DatsDir());
  } catch (const Error& e) {
    // The window in silent mode has nobody watching it: the report is where this is read.
    WriteRunReport(run, nullptr, std::string("The run could not start: ") + e.what());
    throw;
  }
}

std::vector<std::string> RunSummary(const RunReport& report, const GenerationResult* result) {
  std::vector<std::string> lines = {"Summary:"};
  for (const DatSummary& dat : report.dats) {
    lines.push_back("  " + dat.name + ": " + std::to_string(dat.records) +
                    (dat.records == 1 ? " record" : " records"));
  }
  if (!report.mame.reused_from.empty()) {
    lines.push_back("  MAME was not run: the lists of " + report.mame.reused_from + " were reused");
  }
  if (report.shaping.active) {
    lines.push_back("  shaping (" + report.shaping.file +
                    "): " + std::to_string(report.shaping.in) + " of MAME's records in, " +
                    std::to_string(report.shaping.out) + " out");
  }
  if (result != nullptr) {
    lines.push_back("  " + result->master_list + ": " + std::to_string(result->lines_written) +
                    " lines written");
  }
  lines.push_back("  warnings: " + std::to_string(report.warnings.size()));
  return lines;
}

namespace {

// The summary's name for MAME's own list.
constexpr const char* kMameSource = "MAME (listinfo.dat)";

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// How the category file served a source's sets, indented under the source's line.
void AddCategoryLines(const CategorySummary& c, std::vector<std::string>* lines) {
  if (c.file.empty()) return;
  std::string line = "    " + c.file + ": ";
  if (c.made) {
    line += "was missing; made with placeholders for " + Count(c.placeholders, "set", "sets");
  } else {
    line += Count(c.found, "set", "sets") + " found, " + std::to_string(c.not_found) + " not found";
  }
  if (c.tltc > 0) line += ", " + std::to_string(c.tltc) + " given \"TLTC\"";
  lines->push_back(line);
  if (c.tltc > 0) {
    lines->push_back(
        "    (\"TLTC\": the category and version a set gets when catver.ini knows "
        "neither)");
  }
  if (c.first_not_found.empty()) return;
  std::string names = "    not found";
  if (c.not_found > c.first_not_found.size()) {
    names += " (the first " + std::to_string(c.first_not_found.size()) + ")";
  }
  names += ":";
  for (size_t i = 0; i < c.first_not_found.size(); ++i) {
    const std::string& name = c.first_not_found[i];
    names +=
        (i == 0 ? " " : ", ") + (name.empty() ? std::string("(a block without a name)") : name);
  }
  lines->push_back(names);
}

// Where every game of the run came from, source by source: what users look up when a game is
// missing from their front end or has no category.
std::vector<std::string> SourceLines(const RunReport& report) {
  std::vector<std::string> lines = {"Sources:"};
  const MameSummary& mame = report.mame;
  if (!mame.lists.empty()) {
    std::string line = std::string("  ") + kMameSource + ": " +
                       Count(mame.games + mame.resources, "record", "records") + " (" +
                       Count(mame.games, "game", "games") + ", " +
                       Count(mame.resources, "resource", "resources") + "), ";
    line += mame.devices_left_out ? Count(*mame.devices_left_out, "device", "devices") + " left out"
                                  : std::string(
                                        "devices left out: not known, as the lists were "
                                        "not converted in this run");
    lines.push_back(line);
    lines.push_back(
        "    (resources: BIOS and other sets that hold what games need, no game to play)");
    lines.push_back("    lists: " + mame.lists);
    AddCategoryLines(mame.categories, &lines);
  } else if (!mame.left_out.empty()) {
    lines.push_back(std::string("  ") + kMameSource + ": its games are left out: " + mame.left_out);
  }
  for (const DatSummary& dat : report.dats) {
    if (dat.name == kMameSource) continue;
    lines.push_back("  " + dat.name + ": " + Count(dat.records, "record", "records"));
    AddCategoryLines(dat.categories, &lines);
  }
  return lines;
}

// What the run worked with and what it made, before anything else: the first thing a person
// looking into a cabinet's report wants to know.
std::vector<std::string> ReportHead(const RunState& run, const GenerationResult* result) {
  const std::time_t now = std::time(nullptr);
  char date[32] = "";
  if (const std::tm* local = std::localtime(&now)) {
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", local);
  }
  const MameSetup& setup = run.report.mame_setup;
  const MameSummary& summary = run.report.mame;
  std::string mame = "  MAME: ";
  if (setup.program.empty()) {
    mame += "not run";
    if (!summary.left_out.empty()) mame += ": " + summary.left_out;
  } else {
    mame += setup.program;
    if (!setup.build.empty()) mame += ", build " + setup.build;
    if (!summary.reused_from.empty()) mame += " (not run: its lists were reused)";
  }
  return {
      "Tabulon " TABULON_VERSION " report of " + std::string(date),
      "  application folder: " + run.app_dir,
      "  master list: " + MasterListPath(run.app_dir) +
          (result != nullptr ? ", " + Count(result->lines_written, "line", "lines") + " written"
                             : ", not written: the previous one is unchanged"),
      "  MAME settings: " + (setup.settings.empty() ? "none (no " + FrontEndFolder(run.app_dir) +
                                                          InFolder("cfgs", "mame.cfg") + ")"
                                                    : setup.settings),
      mame,
  };
}

// The report is for the user to read after the window has gone; a report that cannot be
// written (a read-only folder) is one more warning, on the screen only.
void WriteRunReport(RunState& run, const GenerationResult* result, const std::string& ending) {
  const RunReport& report = run.report;
  std::vector<std::string> lines = ReportHead(run, result);
  if (!ending.empty()) lines.push_back(ending);
  for (std::string& line : RunSummary(report, result)) lines.push_back(std::move(line));
  for (std::string& line : SourceLines(report)) lines.push_back(std::move(line));
  if (report.shaping.active) {
    lines.push_back("Shaping (" + report.shaping.file + "):");
    for (const std::string& line : report.shaping.lines) lines.push_back("  " + line);
  }
  if (!report.notes.empty()) lines.push_back("Notes:");
  for (const std::string& note : report.notes) lines.push_back("  " + note);
  if (!report.warnings.empty()) lines.push_back("Warnings:");
  for (const std::string& warning : report.warnings) lines.push_back("  " + warning);
  try {
    WriteTextFile(InFolder(run.app_dir, "tabulonreport.txt"), lines,
                  AtomicTextWriter::Durability::kCached);
  } catch (const Error& e) {
    run.Warn(e.what());
  }
}

GenerationResult Generate(RunState& run, std::vector<std::string>* file_list,
                          ScriptRunner script_runner) {
  // A mistake in the shaping's settings stops the run before anything is touched.
  const ShapingSettings shaping = LoadShaping(run.app_dir, run.shaping, nullptr);
  run.List1.Clear();
  run.held_mame.clear();
  run.held_text.Clear();
  run.hold_mame = shaping.Active();
  // What a killed run left behind goes first: the temporary files of the master list, the
  // category files and MAME's lists, each as large as what it was to replace.
  for (const std::string& folder : {run.app_dir, run.CatversDir(), FrontEndFolder(run.app_dir)}) {
    SweepLeftovers(folder);
  }
  run.report = RunReport();

  // MAME's games count only when MAME was found and its list gave some.
  size_t mame_records = 0;
  // What MAME knows beyond its lists comes with the conversion of its -listxml, when this run
  // converts one, for a second pass over 270 MB of XML would cost more than the shaping itself.
  std::optional<MameFacts> facts;
  try {
    mame_records = GetMameData(run, file_list, std::move(script_runner), nullptr,
                               shaping.Active() && NeedsMameFacts(shaping) ? &facts : nullptr);
  } catch (const MameListinfoFailed&) {
    throw;  // a -li that cannot be run at all ends the run, as the message box says
  } catch (const FolderBusy&) {
    throw;  // another run has the MAME folder, and this one was asked not to wait
  } catch (const Error& e) {
    // A MAME list that cannot be read costs MAME's games, as a dat that cannot be read costs its
    // own; the previous lists are back in place by now.
    run.List1.Clear();
    run.held_mame.clear();
    run.held_text.Clear();
    run.Warn(std::string(e.what()) +
             "; MAME's games are left out, the dats of dats/ are still read");
    run.report.mame.LeaveOut(e.what());
  }
  if (run.hold_mame) {
    run.hold_mame = false;
    // The list grew by doubling; what it no longer needs is better free while the facts are read.
    run.held_mame.shrink_to_fit();
    ShapeMameRecords(run, shaping, &facts);
  }
  if (mame_records > 0) run.report.dats.push_back(DatSummary{kMameSource, mame_records, {}});

  if (mame_records > 0 && run.report.mame.categories.made) NoteMissingMameCatver(run);
  ReportWhatIsNotRead(run);
  // One dat that cannot be read costs its own records only; the run goes on with the others.
  // The records it gave before the fault are kept.
  const std::vector<std::string> dats = *file_list;
  for (const std::string& name : dats) {
    DatSummary summary{InFolder("dats", name), 0, {}};
    const size_t before = run.List1.size();
    // An archive or other binary file named *.dat would give garbage records, and a category
    // file for an emulator named by chance.
    if (const std::string not_text = NotTextWarning(run, name); !not_text.empty()) {
      run.Warn(not_text);
      run.report.dats.push_back(std::move(summary));
      continue;
    }
    try {
      if (UpperAscii(name) == "VPLAUNCHER.DAT") {
        summary.records = getlistinfoVP(name, run);
      } else if (IsXmlDat(InFolder(run.DatsDir(), name))) {
        summary.records = GetXmlListInfo(name, run, &summary.categories);
      } else {
        summary.records = GetListInfo(name, run, nullptr, &summary.categories);
      }
    } catch (const Error& e) {
      summary.records = run.List1.size() - before;
      run.Warn(std::string(e.what()) +
               (summary.records == 0 ? "; skipped" : "; the records before the fault are kept"));
    }
    run.report.dats.push_back(std::move(summary));
  }

  GenerationResult result;
  result.master_list = MasterListPath(run.app_dir);
  result.lines_written = WriteMasterList(run.app_dir, run.List1, run.layout);
  run.WaitForBackground();
  result.shaped = run.report.shaping.active;
  result.mame_in = run.report.shaping.in;
  result.mame_kept = run.report.shaping.out;
  run.ShowStatus(result.shaped ? "List Creation Complete (" + std::to_string(result.mame_kept) +
                                     " of " + std::to_string(result.mame_in) + " MAME games kept)"
                               : std::string("List Creation Complete"));
  return result;
}

}  // namespace

GenerationResult RunGeneration(RunState& run, std::vector<std::string>* file_list,
                               ScriptRunner script_runner) {
  if (run.view != nullptr) run.view->RunStarted();
  // Two runs in one application folder would mix their scripts, kept lists and stamp: the
  // second waits for the first, or ends before touching anything, the report included. The
  // lock is held until the kept lists' deleting has ended, or the next run would take them for a
  // killed run's. A folder that cannot take the lock file cannot take the run's files either.
  std::string unlocked;
  const FileLock folder_lock = run.LockFolder(run.app_dir, &unlocked);
  // The run ends when what its steps left going on has ended, however it ends.
  struct WaitForBackground {
    RunState& run;
    ~WaitForBackground() { run.background.clear(); }
  } wait_for_background{run};
  try {
    GenerationResult result = Generate(run, file_list, std::move(script_runner));
    WriteRunReport(run, &result, "");
    return result;
  } catch (const RunInterrupted& e) {
    WriteRunReport(run, nullptr, "The run was stopped by " + SignalName(e.signal()) + ".");
    throw;
  } catch (const RunCancelled&) {
    WriteRunReport(run, nullptr, "The run was stopped.");
    throw;
  } catch (const std::exception& e) {
    WriteRunReport(run, nullptr, std::string("The run failed: ") + e.what());
    throw;
  }
}

}  // namespace tabulon
