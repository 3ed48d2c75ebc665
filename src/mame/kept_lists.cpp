// Keeping MAME's previous lists aside by renaming them, which costs nothing however large they are.
#include "mame/kept_lists.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "platform/files.h"

namespace tabulon {

const std::vector<std::string>& KeptLists::Names() {
  static const std::vector<std::string> names = {"listinfo.dat", "listdetails.dat", "gamelist.dat",
                                                 "listxml.xml"};
  return names;
}

KeptLists::KeptLists(std::string app_dir) : app_dir_(std::move(app_dir)) {
  for (const std::string& name : Names()) {
    if (IsFile(KeptPath(name))) kept_.push_back(name);
  }
  RestoreAll();
}

KeptLists::~KeptLists() { RestoreAll(); }

std::string KeptLists::KeptPath(const std::string& name) const {
  return InFolder(app_dir_, "." + name + ".kept");
}

void KeptLists::Keep(const std::string& name) {
  std::string error;
  if (kept(name) || !Exists(InFolder(app_dir_, name))) return;
  if (RenameOver(InFolder(app_dir_, name), KeptPath(name), &error)) kept_.push_back(name);
}

bool KeptLists::kept(const std::string& name) const {
  return std::find(kept_.begin(), kept_.end(), name) != kept_.end();
}

void KeptLists::RestoreAll() {
  std::string error;
  for (const std::string& name : kept_)
    RenameOver(KeptPath(name), InFolder(app_dir_, name), &error);
  kept_.clear();
}

Task KeptLists::DropAll() {
  std::vector<std::string> names;
  names.swap(kept_);
  return DeleteInBackground(names);
}

void KeptLists::Drop(const std::string& name) {
  if (!kept(name)) return;
  RemoveFile(KeptPath(name));
  kept_.erase(std::find(kept_.begin(), kept_.end(), name));
}

Task KeptLists::DropInBackground(const std::string& name) {
  if (!kept(name)) return Task();
  kept_.erase(std::find(kept_.begin(), kept_.end(), name));
  return DeleteInBackground({name});
}

Task KeptLists::DeleteInBackground(const std::vector<std::string>& names) const {
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(KeptPath(name));
  return Task::StartOrDoNow([paths = std::move(paths)](std::stop_token) {
    for (const std::string& path : paths) RemoveFile(path);
  });
}

std::string KeptLists::ListinfoDate() const {
  return kept("listinfo.dat") ? FileDate(KeptPath("listinfo.dat")) : "";
}

}  // namespace tabulon
