// Opening MAME's side outputs at their rows, and reading them game by game.
#include "mame/mame_side_files.h"

#include <optional>
#include <utility>

#include "mame/game_status.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {

MameSideFiles::MameSideFiles(std::unique_ptr<LineReader> listdetails,
                             std::unique_ptr<LineReader> gamelist)
    : listdetails_(std::move(listdetails)), gamelist_(std::move(gamelist)) {}

Problem MameSideFiles::Open(const std::string& app_dir) {
  Close();
  const std::string details_path = InFolder(app_dir, "listdetails.dat");
  const std::string gamelist_path = InFolder(app_dir, "gamelist.dat");
  for (const std::string& path : {details_path, gamelist_path}) {
    if (!IsFile(path)) return path + ": not found";
  }
  auto details = std::make_unique<LineReader>(details_path);
  return Open(std::move(details), std::make_unique<LineReader>(gamelist_path));
}

Problem MameSideFiles::Open(std::unique_ptr<LineReader> details,
                            std::unique_ptr<LineReader> gamelist) {
  Close();
  paired_games_ = 0;
  listdetails_short_ = 0;
  gamelist_short_ = 0;
  std::string line;
  if (!details->ReadLine(&line) || !details->ReadLine(&line)) {
    return details->path() + ": shorter than its two header lines";
  }
  // The header search tests the line in hand first, which is still listdetails.dat's second line.
  while (Left(line, 11) != "| Game Name") {
    if (!gamelist->ReadLine(&line)) {
      return gamelist->path() +
             ": no line begins with \"| Game Name\", so its rows cannot be found";
    }
  }
  gamelist->ReadLine(&line);
  listdetails_ = std::move(details);
  gamelist_ = std::move(gamelist);
  return {};
}

void MameSideFiles::Close() {
  listdetails_.reset();
  gamelist_.reset();
}

void MameSideFiles::NextGame(std::string* details_row, std::string* driver_name,
                             std::string* driver_status) {
  ++paired_games_;
  if (listdetails_ != nullptr && listdetails_->ReadLine(details_row)) {
    *driver_name = DriverNameFromRow(*details_row);
  } else {
    details_row->clear();
    ++listdetails_short_;
  }
  std::optional<std::string> status;
  if (gamelist_ != nullptr) status = GetGameStatus(*gamelist_);
  if (status) {
    *driver_status = std::move(*status);
  } else {
    ++gamelist_short_;
  }
}

void MameSideFiles::WarnShort(RunState& run) const {
  struct Side {
    const char* name;
    size_t missing;
    const char* lost;
  };
  const size_t games = paired_games_;
  for (const Side& side : {Side{"listdetails.dat", listdetails_short_, "driver name"},
                           Side{"gamelist.dat", gamelist_short_, "driver status"}}) {
    if (side.missing == 0) continue;
    run.Warn(FormatLocation(InFolder(run.app_dir, side.name), 0,
                            "has rows for " + std::to_string(games - side.missing) + " of " +
                                std::to_string(games) + " games; the last " +
                                std::to_string(side.missing) + " got an empty " + side.lost));
  }
}

}  // namespace tabulon
