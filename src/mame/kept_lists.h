// MAME's lists of the last step that gave usable ones, kept aside while MAME writes new ones, so
// that a MAME that fails, is killed or is stopped never costs the user the games it listed before.
#pragma once

#include <string>
#include <vector>

#include "mame/problem.h"
#include "platform/task.h"

namespace tabulon {

class KeptLists {
 public:
  // The files kept aside, in the application folder: MAME's three lists and its -listxml output.
  static const std::vector<std::string>& Names();

  // First settles what a run that was killed had kept aside: those are the last good lists, each
  // put back when what stands under its name now is that run's unfinished output. When the
  // run's journal shows that a newer list has taken its place since (copied in by hand, say),
  // the kept one is deleted instead.
  explicit KeptLists(std::string app_dir);
  // Puts back whatever is still kept: a run that is stopped or fails on the way leaves the
  // previous lists as they were.
  ~KeptLists();
  KeptLists(const KeptLists&) = delete;
  KeptLists& operator=(const KeptLists&) = delete;

  // Moves <app_dir>/<name> aside, when it exists. Returns no problem when it was moved or there
  // was nothing to move, else the warning's start naming the file and what failed: the file
  // stays where it is, and MAME must not run, as its output would replace it.
  Problem Keep(const std::string& name);
  // Whether `name` was kept aside.
  bool kept(const std::string& name) const;
  // Puts every kept file back over what the new run left.
  void RestoreAll();
  // Puts the kept `name` back, when it was kept; the others stay aside.
  void Restore(const std::string& name);
  // Records which lists the run has left in place before MAME's output replaces them: a run
  // killed from here on is told by them. Without the journal, kept lists always come back.
  // Nothing is written when no list is kept. Throws Error naming the file.
  void WriteJournal() const;
  // Deletes the journal: the lists in place are to be written anew by MAME's old options, and a
  // run killed while they are must have the kept lists back over whatever they left.
  void ForgetJournal() const;
  // Deletes what a killed run kept aside in `app_dir`, with its journal: new lists converted
  // there by hand are to stay.
  static void DropLeftovers(const std::string& app_dir);
  // The new files are good: the kept ones are deleted, on a thread of their own that the
  // returned work waits for. Deleting MAME's 270 MB -listxml output takes the file system a
  // tenth of a second, which the run spends writing its lists instead of waiting.
  [[nodiscard]] Task DropAll();
  // The new `name` is to stay: its kept one is deleted.
  void Drop(const std::string& name);
  // The same, on a thread of its own that the returned work waits for.
  [[nodiscard]] Task DropInBackground(const std::string& name);
  // When the kept listinfo.dat was written, as "2026-12-05 14:03" in local time; empty when none
  // was kept.
  std::string ListinfoDate() const;
  // Where `name` is kept: ".<name>.kept" in the application folder.
  std::string KeptPath(const std::string& name) const;

 private:
  std::string app_dir_;
  // Whether what stands under `name` is the killed run's own: nothing, or the very file its
  // `journal` names (a list copied in by hand since differs in its identity).
  bool LeftByKilledRun(const std::string& journal, const std::string& name) const;
  // Deletes the kept files of `names`, which are no longer kept, on a thread of its own.
  Task DeleteInBackground(const std::vector<std::string>& names) const;

  std::vector<std::string> kept_;
};

}  // namespace tabulon
