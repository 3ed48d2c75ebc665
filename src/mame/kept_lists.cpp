// Keeping MAME's previous lists aside by renaming them, which costs nothing however large they are.
#include "mame/kept_lists.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// The journal: for each list, "name=" and its identity in place ("size modified changed volume
// file"), or nothing when none was there.
constexpr const char* kJournalName = ".kept-lists.journal";
const char* const kListNames[] = {"listinfo.dat", "listdetails.dat", "gamelist.dat"};

std::string JournalLine(const std::string& app_dir, const std::string& name) {
  FileIdentity identity;
  if (!GetFileIdentity(InFolder(app_dir, name), &identity)) return name + "=";
  return name + "=" + std::to_string(identity.size) + " " + std::to_string(identity.modified) +
         " " + std::to_string(identity.changed) + " " + std::to_string(identity.volume) + " " +
         std::to_string(identity.file);
}

}  // namespace

const std::vector<std::string>& KeptLists::Names() {
  static const std::vector<std::string> names = {"listinfo.dat", "listdetails.dat", "gamelist.dat",
                                                 "listxml.xml"};
  return names;
}

KeptLists::KeptLists(std::string app_dir) : app_dir_(std::move(app_dir)) {
  std::string journal;
  bool journaled = false;
  try {
    if (IsFile(InFolder(app_dir_, kJournalName))) {
      journal = ReadWholeFile(InFolder(app_dir_, kJournalName));
      journaled = true;
    }
  } catch (const Error&) {
  }
  for (const std::string& name : Names()) {
    if (!IsFile(KeptPath(name))) continue;
    // Without a journal the run was killed before MAME's output began to replace the lists:
    // whatever stands in their place is its own.
    if (!journaled || LeftByKilledRun(journal, name)) {
      kept_.push_back(name);
    } else {
      RemoveFile(KeptPath(name));
    }
  }
  RestoreAll();
  RemoveFile(InFolder(app_dir_, kJournalName));
}

bool KeptLists::LeftByKilledRun(const std::string& journal, const std::string& name) const {
  const std::string line = JournalLine(app_dir_, name);
  return line.back() == '=' || journal.find(line + "\r\n") != std::string::npos;
}

void KeptLists::WriteJournal() const {
  if (std::none_of(std::begin(kListNames), std::end(kListNames),
                   [this](const char* name) { return kept(name); })) {
    return;
  }
  std::vector<std::string> lines;
  for (const char* name : kListNames) lines.push_back(JournalLine(app_dir_, name));
  WriteTextFile(InFolder(app_dir_, kJournalName), lines);
}

void KeptLists::ForgetJournal() const { RemoveFile(InFolder(app_dir_, kJournalName)); }

void KeptLists::DropLeftovers(const std::string& app_dir) {
  for (const std::string& name : Names()) RemoveFile(InFolder(app_dir, "." + name + ".kept"));
  RemoveFile(InFolder(app_dir, kJournalName));
}

KeptLists::~KeptLists() { RestoreAll(); }

std::string KeptLists::KeptPath(const std::string& name) const {
  return InFolder(app_dir_, "." + name + ".kept");
}

Problem KeptLists::Keep(const std::string& name) {
  std::string error;
  const std::string path = InFolder(app_dir_, name);
  if (kept(name) || !Exists(path)) return {};
  if (RenameOver(path, KeptPath(name), &error)) {
    kept_.push_back(name);
    return {};
  }
  return FormatLocation(path, 0,
                        "cannot be kept aside while MAME runs: moving it to " + KeptPath(name) +
                            " failed (" + error +
                            "): the folder must be writable, with nothing else at that name");
}

bool KeptLists::kept(const std::string& name) const {
  return std::find(kept_.begin(), kept_.end(), name) != kept_.end();
}

void KeptLists::RestoreAll() {
  std::string error;
  for (const std::string& name : kept_)
    RenameOver(KeptPath(name), InFolder(app_dir_, name), &error);
  if (!kept_.empty()) RemoveFile(InFolder(app_dir_, kJournalName));
  kept_.clear();
}

void KeptLists::Restore(const std::string& name) {
  if (!kept(name)) return;
  std::string error;
  RenameOver(KeptPath(name), InFolder(app_dir_, name), &error);
  kept_.erase(std::find(kept_.begin(), kept_.end(), name));
}

Task KeptLists::DropAll() {
  // The journal goes last: a run killed before then still knows that the kept lists are old.
  std::vector<std::string> paths;
  for (const std::string& name : kept_) paths.push_back(KeptPath(name));
  if (!kept_.empty()) paths.push_back(InFolder(app_dir_, kJournalName));
  kept_.clear();
  return Task::StartOrDoNow([paths = std::move(paths)](std::stop_token) {
    for (const std::string& path : paths) RemoveFile(path);
  });
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
