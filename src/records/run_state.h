// The state every reader of a generation run shares, and the view the run reports to. MAME's own
// state (where it is, its side files) belongs to the MAME extraction, not here.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "records/field_slots.h"
#include "records/game_record.h"
#include "records/record_list.h"
#include "records/view.h"

namespace tabulon {

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

  std::string DatsDir() const { return InFolder(app_dir, "dats"); }
  std::string CatversDir() const { return InFolder(app_dir, "catvers"); }

  std::string app_dir;  // the application folder, without a trailing separator
  View* view;
  RecordLayout layout = RecordLayout::kNormal;
  bool refresh_mame = false;  // run MAME even when the lists it gave last time are still good
  // Set when they were read instead of running MAME: which MAME made them ("MAME 0.251 (...)").
  std::string mame_lists_reused;

  FieldSlots slots;
  std::string lgame;   // text of the block being read
  RecordList List1;    // the records of this run
  std::string status;  // the latest status text

  std::vector<DatSummary> dats;
  std::vector<std::string> warnings;
};

}  // namespace tabulon
