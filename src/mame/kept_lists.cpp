// Keeping MAME's previous lists aside by renaming them, which costs nothing however large they are.
#include "mame/kept_lists.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

namespace tabulon {

const std::vector<std::string>& KeptLists::Names() {
  static const std::vector<std::string> names = {"listinfo.dat", "listdetails.dat", "gamelist.dat",
                                                 "listxml.xml"};
  return names;
}

KeptLists::KeptLists(std::string app_dir) : app_dir_(std::move(app_dir)) {
  namespace fs = std::filesystem;
  for (const std::string& name : Names()) {
    std::error_code ec;
    if (fs::is_regular_file(KeptPath(name), ec)) kept_.push_back(name);
  }
  RestoreAll();
}

KeptLists::~KeptLists() { RestoreAll(); }

std::string KeptLists::KeptPath(const std::string& name) const {
  return app_dir_ + "/." + name + ".kept";
}

void KeptLists::Keep(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (kept(name) || !fs::exists(app_dir_ + "/" + name, ec)) return;
  fs::rename(app_dir_ + "/" + name, KeptPath(name), ec);
  if (!ec) kept_.push_back(name);
}

bool KeptLists::kept(const std::string& name) const {
  return std::find(kept_.begin(), kept_.end(), name) != kept_.end();
}

void KeptLists::RestoreAll() {
  for (const std::string& name : kept_) {
    std::error_code ec;
    std::filesystem::rename(KeptPath(name), app_dir_ + "/" + name, ec);
  }
  kept_.clear();
}

void KeptLists::DropAll() {
  for (const std::string& name : kept_) {
    std::error_code ec;
    std::filesystem::remove(KeptPath(name), ec);
  }
  kept_.clear();
}

void KeptLists::Drop(const std::string& name) {
  if (!kept(name)) return;
  std::error_code ec;
  std::filesystem::remove(KeptPath(name), ec);
  kept_.erase(std::find(kept_.begin(), kept_.end(), name));
}

std::string KeptLists::ListinfoDate() const {
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(KeptPath("listinfo.dat"), ec);
  if (!kept("listinfo.dat") || ec) return "";
  const std::time_t time =
      std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
  const std::tm* local = std::localtime(&time);
  char text[32];
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local) == 0) return "";
  return text;
}

}  // namespace tabulon
