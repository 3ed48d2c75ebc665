// The generation run.
#include "app/generation_run.h"

#include <utility>

#include "datparse/dat_reader.h"
#include "mame/mame_data.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/file_list.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/strings.h"
#include "platform/text_io.h"
#include "records/vp_reader.h"

namespace tabulon {

void LoadAppFolder(RunState& run, std::vector<std::string>* file_list) {
  MakeFolderIfMissing(run.DatsDir());
  MakeFolderIfMissing(run.CatversDir());
  *file_list = ListDatFiles(run.DatsDir());
}

std::vector<std::string> RunSummary(const RunState& run, const GenerationResult* result) {
  std::vector<std::string> lines = {"Summary:"};
  for (const DatSummary& dat : run.dats) {
    lines.push_back("  " + dat.name + ": " + std::to_string(dat.records) +
                    (dat.records == 1 ? " record" : " records"));
  }
  if (!run.mame_lists_reused.empty()) {
    lines.push_back("  MAME was not run: the lists of " + run.mame_lists_reused + " were reused");
  }
  if (result != nullptr) {
    lines.push_back("  " + result->master_list + ": " + std::to_string(result->lines_written) +
                    " lines written");
  }
  lines.push_back("  warnings: " + std::to_string(run.warnings.size()));
  return lines;
}

namespace {

// The report is for the user to read after the window has gone; a report that cannot be
// written (a read-only folder) is one more warning, on the screen only.
void WriteRunReport(RunState& run, const GenerationResult* result, const std::string& ending) {
  std::vector<std::string> lines = RunSummary(run, result);
  if (!ending.empty()) lines.insert(lines.begin(), ending);
  if (!run.warnings.empty()) lines.push_back("Warnings:");
  for (const std::string& warning : run.warnings) lines.push_back("  " + warning);
  try {
    WriteTextFile(InFolder(run.app_dir, "tabulonreport.txt"), lines,
                  AtomicTextWriter::Durability::kCached);
  } catch (const Error& e) {
    run.Warn(e.what());
  }
}

GenerationResult Generate(RunState& run, std::vector<std::string>* file_list,
                          ScriptRunner script_runner) {
  if (run.view != nullptr) run.view->RunStarted();
  run.List1.Clear();
  // What a killed run left behind goes first: the temporary files of the master list, the
  // category files and MAME's lists, each as large as what it was to replace.
  for (const std::string& folder : {run.app_dir, run.CatversDir(), FrontEndFolder(run.app_dir)}) {
    SweepLeftovers(folder);
  }
  run.dats.clear();
  run.warnings.clear();

  // MAME's games count only when MAME was found and its list gave some.
  size_t mame_records = GetMameData(run, file_list, std::move(script_runner));
  if (mame_records > 0) run.dats.push_back(DatSummary{"MAME (listinfo.dat)", mame_records});

  std::vector<std::string> not_files;
  ListDatFiles(run.DatsDir(), &not_files);
  for (const std::string& name : not_files) {
    run.Warn(InFolder("dats", name) + ": is not a file (a folder, pipe or device); skipped");
  }
  // One dat that cannot be read costs its own records only; the run goes on with the others.
  // The records it gave before the fault are kept.
  const std::vector<std::string> dats = *file_list;
  for (const std::string& name : dats) {
    size_t added = 0;
    const size_t before = run.List1.size();
    try {
      added =
          UpperAscii(name) == "VPLAUNCHER.DAT" ? getlistinfoVP(name, run) : GetListInfo(name, run);
    } catch (const Error& e) {
      added = run.List1.size() - before;
      run.Warn(std::string(e.what()) +
               (added == 0 ? "; skipped" : "; the records before the fault are kept"));
    }
    run.dats.push_back(DatSummary{InFolder("dats", name), added});
  }

  GenerationResult result;
  result.master_list = MasterListPath(run.app_dir);
  result.lines_written = WriteMasterList(run.app_dir, run.List1, run.layout);
  run.ShowStatus("List Creation Complete");
  return result;
}

}  // namespace

GenerationResult RunGeneration(RunState& run, std::vector<std::string>* file_list,
                               ScriptRunner script_runner) {
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
