// MAME's two side outputs, read in step with its listinfo.dat: the n-th game takes the n-th data
// row of listdetails.dat (driver name) and of gamelist.dat (driver status).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "datparse/mame_side_rows.h"
#include "mame/problem.h"
#include "platform/text_io.h"
#include "records/run_state.h"

namespace tabulon {

class MameSideFiles final : public MameSideRows {
 public:
  MameSideFiles() = default;
  // Files already standing at their first data row.
  MameSideFiles(std::unique_ptr<LineReader> listdetails, std::unique_ptr<LineReader> gamelist);

  // Opens <app_dir>/listdetails.dat and <app_dir>/gamelist.dat at their first data row and starts
  // counting afresh. On a problem returns the text of the warning, naming the file, and leaves
  // both closed; returns no problem when both are open. Throws Error when a file that is there
  // cannot be read.
  Problem Open(const std::string& app_dir);
  // The same for the two lists given as readers at their first line, named by their paths.
  Problem Open(std::unique_ptr<LineReader> listdetails, std::unique_ptr<LineReader> gamelist);
  // Closes both files; the counts stay.
  void Close();

  // A file with no row left gives nothing more, and its game is counted as short.
  void NextGame(std::string* details_row, std::string* driver_name,
                std::string* driver_status) override;

  // Warns, for each file that ran out of rows, how many games got an empty value.
  void WarnShort(RunState& run) const;

  size_t paired_games() const { return paired_games_; }
  size_t listdetails_short() const { return listdetails_short_; }
  size_t gamelist_short() const { return gamelist_short_; }

 private:
  std::unique_ptr<LineReader> listdetails_;
  std::unique_ptr<LineReader> gamelist_;
  // Game blocks of MAME's list, and those that found no row left in a side file.
  size_t paired_games_ = 0;
  size_t listdetails_short_ = 0;
  size_t gamelist_short_ = 0;
};

}  // namespace tabulon
