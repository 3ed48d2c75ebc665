// MAME data extraction and its run log.
#include "mame/mame_data.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "datparse/dat_reader.h"
#include "mame/bat_scripts.h"
#include "mame/kept_lists.h"
#include "mame/lists_read_along.h"
#include "mame/listxml_converter.h"
#include "mame/listxml_facts.h"
#include "mame/listxml_head.h"
#include "mame/mame_run.h"
#include "mame/mame_stamp.h"
#include "mame/printed_lists.h"
#include "mame/problem.h"
#include "platform/error.h"
#include "platform/file_list.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// MAME's -listxml output began with a MAME that may know the old list options: it is stopped.
struct OldMameFound {};

// The kept lists are deleted beside the rest of the run. Any left would be taken back by the
// next run as the last good lists, in place of this run's.
void DeleteKeptBeside(RunState& run, Task deleting) {
  run.Beside(std::move(deleting),
             run.app_dir +
                 ": MAME's previous lists, kept aside there in the files ending in .kept, may not "
                 "all be deleted; delete those files, or the next run puts them back: ");
}

// Today's MAME knows only -listxml: it writes its output straight into listxml.xml, which is
// read and converted behind it while it runs, into the three lists old MAME printed. Bad XML
// stops the conversion but not the saving, so the line and column the warning names can be
// looked up in listxml.xml. A MAME that fails or is killed leaves no listxml.xml: the kept one
// comes back. `along` is given the reading that hears the lists as they are written. Returns no
// problem on success, with what was converted in `counts` and the root's build attribute in
// `build`, else the warning naming the file. With `facts`, MAME's facts are gathered along the
// way and put there once the conversion has succeeded. Whatever fails in the conversion, short of a
// stop, is such a warning: the previous lists then come back, as for a MAME that failed.
//
// With `old_mame`, MAME's root element is looked at first: when it does not show a MAME known to
// lack the old list options (an older build, none, or no XML at all), MAME is stopped there,
// `*old_mame` is set and nothing of its output stays; the kept listxml.xml is the caller's to
// put back.
Problem ConvertFromMame(RunState& run, MameState& mame, KeptLists& kept,
                        std::unique_ptr<ListsReadAlong>* along, ListXmlCounts* counts,
                        std::string* build, bool* old_mame, std::optional<MameFacts>* facts) {
  const std::string xml_path = InFolder(run.app_dir, "listxml.xml");
  if (facts != nullptr) facts->reset();
  run.ShowStatus("Parsing MAME for listxml......");
  // The previous XML is moved aside, not replaced: renaming the new one over it would make ext4
  // write all of it to disk before the rename returns (its guard for files replaced by rename),
  // a pause of about 0.15 s on MAME's 270 MB.
  if (const Problem failed = kept.Keep("listxml.xml")) {
    return *failed + "; MAME was not run";
  }
  try {
    AtomicTextWriter saved(xml_path, AtomicTextWriter::Durability::kCached);
    *along = std::make_unique<ListsReadAlong>(run, mame.side_files);
    MameFacts gathered;
    std::optional<ListXmlFactsGatherer> gatherer;
    if (facts != nullptr) gatherer.emplace(&gathered);
    ListXmlConverter converter(run.app_dir, xml_path, along->get(),
                               gatherer ? &*gatherer : nullptr);
    // The conversion mostly catches up once MAME has ended and left both cores free.
    converter.ReadAhead();
    std::string conversion_error;
    // The output is converted on a thread of its own; the view hears of it from this one.
    std::atomic<bool> converting{false};
    bool shown = false;
    auto show_converting = [&] {
      if (shown || !converting.load()) return;
      run.ShowStatus("Converting MAME listxml......");
      shown = true;
    };
    // What MAME's first kilobytes say of it, heard on the reading thread.
    enum HeadSays { kNotYet, kToday, kOld };
    std::unique_ptr<ListXmlHead> head;
    if (old_mame != nullptr) head = std::make_unique<ListXmlHead>();
    std::atomic<int> head_says{head ? kNotYet : kToday};
    std::string error;
    ChildExit exit;
    // Once MAME has ended well, its XML takes the old one's place whatever the conversion makes
    // of it (a fault in it is looked up there), so the old one's deleting can start at once: it
    // mostly waits on the file system, while the conversion catches up on the cores.
    bool saved_committed = false;
    auto commit_saved = [&](const ChildExit& end) {
      if (!end.ok() || head_says.load() != kToday) return;
      saved.Commit();
      saved_committed = true;
      DeleteKeptBeside(run, kept.DropInBackground("listxml.xml"));
    };
    const std::string command = mame.MameExe + " -listxml";
    const std::shared_ptr<CoreGate> gate =
        mame.core_gate ? mame.core_gate : std::shared_ptr<CoreGate>(MakeIdleCoreGate());
    bool ran = RunCommandWritingFile(
        mame.MamePath, command, saved.descriptor(),
        [&](const char* data, size_t size) {
          if (head_says.load() == kNotYet && head->Feed(data, size)) {
            head_says = head->has_root() && BuildLacksOldListOptions(head->build()) ? kToday : kOld;
          }
          if (head_says.load() == kOld) return;
          converting = true;
          if (!conversion_error.empty()) return;
          try {
            converter.Feed(data, size);
          } catch (const Error& e) {
            conversion_error = e.what();
          }
        },
        *gate,
        [&] {
          if (head_says.load() == kOld) throw OldMameFound();
          show_converting();
          run.Yield();
        },
        &error, &exit, commit_saved);
    if (ran && head_says.load() != kToday) throw OldMameFound();
    show_converting();
    if (!ran) return mame.MamePath + command + ": " + error;
    if (!exit.ok()) return mame.MamePath + command + ": MAME " + exit.Describe();
    if (!saved_committed) commit_saved(exit);
    if (!conversion_error.empty()) return conversion_error;
    converter.Finish();
    *counts = converter.counts();
    if (converter.counts().games + converter.counts().resources == 0) {
      return xml_path + ": MAME's -listxml output holds no machine";
    }
    *build = converter.build();
    if (facts != nullptr) {
      gathered.source = xml_path;
      *facts = std::move(gathered);
    }
    return {};
  } catch (const Error& e) {
    return std::string(e.what());
  } catch (const RunCancelled&) {
    throw;
  } catch (const OldMameFound&) {
    *old_mame = true;
    return {};
  } catch (const std::bad_alloc&) {
    return xml_path + ": not converted, as the system had no more memory to give";
  } catch (const std::exception& e) {
    // A thread the system would not start, among others.
    return xml_path + ": not converted: " + e.what();
  }
}

// Whether MAME itself answered the old options as unknown, rather than failing at them: only
// then may later runs of this MAME leave them out. An old MAME that crashed once, or a script
// that could not be written, says nothing of what the next run of that MAME will do.
bool RefusedOldOptions(MameRunResult result, const MameState& mame) {
  if (result != MameRunResult::kRan || mame.script_exits.size() != 3) return false;
  for (const auto& [script, exit] : mame.script_exits) {
    if (exit.signal != 0 || exit.code != kMameRefusedOptionStatus) return false;
  }
  return true;
}

// The stamp comes last, after the lists it describes. Without it the next run only runs MAME
// again, which is worth a warning but not the run.
void WriteStamp(RunState& run, const MameState& mame, const std::string& build,
                bool old_options_refused, size_t devices) {
  try {
    WriteMameStamp(run.app_dir, mame.MamePath + mame.MameExe, build, old_options_refused, devices);
  } catch (const Error& e) {
    run.Warn(std::string(e.what()) + "; the next run runs MAME again");
  }
}

// The first line of what MAME prints for -version ("0.251 (unknown)", as its -listxml names its
// build); empty when it cannot be told. Its answer goes through a file, as -listxml's does, and
// the file goes with the call.
std::string AskMameVersion(RunState& run, const MameState& mame) {
  std::string answer;
  try {
    AtomicTextWriter file(InFolder(run.app_dir, "mameversion.txt"),
                          AtomicTextWriter::Durability::kCached);
    std::string error;
    ChildExit exit;
    OpenCoreGate gate;  // a line of output: nothing to hold back
    const bool ran = RunCommandWritingFile(
        mame.MamePath, mame.MameExe + " -version", file.descriptor(),
        [&answer](const char* data, size_t size) {
          if (answer.size() < 4096) answer.append(data, size);
        },
        gate, [&run] { run.Yield(); }, &error, &exit);
    if (!ran || !exit.ok()) return "";
  } catch (const Error&) {
    return "";
  }
  return std::string(TrimSpaces(answer.substr(0, answer.find_first_of("\r\n"))));
}

// Whether the stamp's MAME is the one `exe` runs now. A launcher (a link, a script) stays the same
// file while the MAME behind it is upgraded, so MAME itself is asked its version: a short call,
// a fraction of MAME's -listxml.
bool StampedMameUnchanged(RunState& run, const MameState& mame, const MameStamp& stamp) {
  const std::string exe = mame.MamePath + mame.MameExe;
  if (!SameExecutable(stamp, exe)) return false;
  return !IsLauncher(exe) || (!stamp.build.empty() && AskMameVersion(run, mame) == stamp.build);
}

// "no cfgs/mame.cfg in /front/end/", naming the folder where the front end keeps it.
std::string NoConfigText(const std::string& app_dir) {
  return "no " + InFolder("cfgs", "mame.cfg") + " in " + FrontEndFolder(app_dir);
}

// Where users put mame.cfg by mistake: found there, the warning says where it belongs.
std::string MisplacedConfigHint(const std::string& app_dir) {
  const std::string front = FrontEndFolder(app_dir);
  const std::string places[] = {InFolder(app_dir, InFolder("cfgs", "mame.cfg")),
                                InFolder(app_dir, "mame.cfg"), front + "mame.cfg"};
  for (const std::string& place : places) {
    if (IsFile(place)) {
      return "; a mame.cfg is at " + place + ", but it is read only from " + front +
             InFolder("cfgs", "mame.cfg") + ": move it there";
    }
  }
  return "; to have MAME's games, put the front end's MAME settings in " + front +
         InFolder("cfgs", "mame.cfg") + " (lines PATH= and EXE=)";
}

}  // namespace

void WriteRunLog(const std::string& app_dir, const std::vector<std::string>& lines) {
  // The log only shows the last step reached; it is not worth a flush to disk at every step.
  WriteTextFile(InFolder(app_dir, "tabulonlog.txt"), lines, AtomicTextWriter::Durability::kCached);
}

size_t GetMameData(RunState& run, std::vector<std::string>* file_list, ScriptRunner script_runner,
                   std::shared_ptr<CoreGate> core_gate, std::optional<MameFacts>* facts) {
  if (facts != nullptr) facts->reset();
  MameState mame;
  mame.script_runner = std::move(script_runner);
  mame.core_gate = std::move(core_gate);
  mame.IsMame = true;
  // The lists an earlier run left stay aside until MAME has given usable new ones; whatever
  // ends this step early (a stop, an error) puts them back.
  KeptLists kept(run.app_dir);
  // A log that cannot be written (a read-only application folder) is reported once; the run goes
  // on without it.
  bool log_failed = false;
  auto LogStep = [&run, &log_failed](const std::vector<std::string>& lines) {
    try {
      if (!log_failed) WriteRunLog(run.app_dir, lines);
    } catch (const Error& e) {
      log_failed = true;
      run.Warn(std::string(e.what()) + "; the run goes on without its log");
    }
  };
  LogStep({"Making Bats"});
  // The scripts go with the step however it ends: a stop or a failure leaves none behind.
  struct ScriptsGone {
    const MameState& mame;
    ~ScriptsGone() {
      if (mame.scripts_written) KillBats(mame.script_folder);
    }
  } scripts_gone{mame};
  // The stamp an earlier conversion left tells whether this MAME would only give the lists that
  // are already there, and whether it knows the old options at all.
  run.report.mame.reused_from.clear();
  bool old_options_refused = false;
  size_t reused_devices = 0;
  // Why a list could not be kept aside: MAME's output would have replaced it, so MAME is not
  // run and the lists are read as they stand.
  Problem keep_failed;
  // Whether the found MAME's lists may be reused, and whether it is known to lack the old options.
  auto look_at_stamp = [&] {
    const std::string exe = mame.MamePath + mame.MameExe;
    const std::optional<MameStamp> stamp = ReadMameStamp(run.app_dir);
    if (stamp && !run.refresh_mame && ListsIntact(*stamp, run.app_dir) &&
        StampedMameUnchanged(run, mame, *stamp)) {
      run.report.mame.reused_from =
          stamp->build.empty() ? "a MAME that names no build" : "MAME " + stamp->build;
      reused_devices = stamp->devices;
      run.report.mame_setup.build = stamp->build;
      run.ShowStatus("MAME unchanged, reusing the lists of " + run.report.mame.reused_from +
                     "......");
      return;
    }
    // The stamp goes before the lists do: whatever this run leaves, a stamp never vouches for
    // lists that another MAME, or a MAME stopped halfway, has written.
    RemoveMameStamp(run.app_dir);
    for (const char* name : {"listinfo.dat", "listdetails.dat", "gamelist.dat"}) {
      keep_failed = kept.Keep(name);
      if (keep_failed) {
        kept.RestoreAll();
        return;
      }
    }
    // A MAME at the same path that refused the old options, upgraded or not, refuses them again;
    // asked to refresh, MAME is asked them all the same, as another program may stand there now.
    old_options_refused =
        !run.refresh_mame && stamp && stamp->old_options_refused && stamp->exe == StampExePath(exe);
    // Otherwise its -listxml runs first, and the build its first kilobytes name tells whether the
    // old options are worth asking: today's MAME refuses each after loading its whole program,
    // three runs that cost a tenth of the whole -listxml. An older MAME is stopped there and
    // asked them, as it always was.
  };
  MameRunResult result = RunMame(run, mame);
  if (result == MameRunResult::kFound) look_at_stamp();
  LogStep({"Bats Complete, Initial File Open"});
  if (!mame.IsMame) {
    run.report.mame.left_out =
        InFolder("cfgs", "mame.cfg") + " is unusable or names no MAME that is there";
    return 0;
  }
  const bool reused = !run.report.mame.reused_from.empty();

  const std::string listinfo_path = InFolder(run.app_dir, "listinfo.dat");
  auto skip = [&run, &mame](const std::string& why) {
    run.Warn(why + "; MAME's games are left out, the dats of dats/ are still read");
    run.report.mame.LeaveOut(why);
    KillBats(mame.script_folder);
  };
  MameSummary& summary = run.report.mame;
  // A conversion's lists are read as they are written; an old MAME's, the kept and the reused
  // ones are read from disk.
  std::unique_ptr<ListsReadAlong> along;
  if (result != MameRunResult::kNoConfig && !reused && !keep_failed) {
    Problem problem;
    std::string build;
    ListXmlCounts counts;
    auto convert = [&](bool* old_mame) {
      // What the old options left is this run's own: killed from here on, the run's kept lists
      // come back only over these. Without the journal they come back all the same.
      try {
        kept.WriteJournal();
      } catch (const Error&) {
      }
      summary.lists = "converted from MAME's -listxml in this run";
      const Problem converted =
          ConvertFromMame(run, mame, kept, &along, &counts, &build, old_mame, facts);
      summary.devices_left_out = counts.devices;
      return converted;
    };
    // Whether the build of the -listxml converted shows that MAME has no old options: the stamp
    // then says so, and a later MAME at that path that fails is not asked them either.
    bool build_lacks_old_options = false;
    bool old_lists = false;
    if (old_options_refused) {
      problem = convert(nullptr);
    } else {
      bool old_mame = false;
      problem = convert(&old_mame);
      build_lacks_old_options = !old_mame;
      if (old_mame) {
        along.reset();
        kept.Restore("listxml.xml");
        kept.ForgetJournal();
        LogStep({"Making Bats"});
        result = RunMameScripts(run, mame);
        LogStep({"Bats Complete, Initial File Open"});
        old_lists = result == MameRunResult::kRan && HasGameBlock(listinfo_path);
        if (!old_lists) problem = convert(nullptr);
      }
    }
    if (old_lists) {
      problem = OldListsProblem(run.app_dir, mame);
      summary.lists = "printed by MAME for -li, -listdetails and -gamelist in this run";
      summary.devices_left_out = 0;  // read as MAME printed them
    }
    // MAME does not say when its output did not fit: what is left of it only looks cut off.
    if (problem && NoSpaceLeft(run.app_dir)) {
      problem = FormatLocation(run.app_dir, 0,
                               "cannot write: " + ErrnoText(ENOSPC) +
                                   ", so MAME's lists were cut off: make room on that disk");
    }
    if (!problem) {
      run.report.mame_setup.build = build;
      DeleteKeptBeside(run, kept.DropAll());
      if (facts != nullptr && facts->has_value()) KeepMameFacts(run.app_dir, **facts);
      if (!old_lists) {
        WriteStamp(
            run, mame, build,
            old_options_refused || build_lacks_old_options || RefusedOldOptions(result, mame),
            counts.devices);
      }
    } else {
      along.reset();
      if (facts != nullptr) facts->reset();
      summary.devices_left_out.reset();
      // An XML error names a line of the new listxml.xml: that one stays for the user to look
      // up, while the lists come back.
      if (Exists(InFolder(run.app_dir, "listxml.xml"))) kept.Drop("listxml.xml");
      const bool usable = kept.kept("listinfo.dat") && HasGameBlock(kept.KeptPath("listinfo.dat"));
      const std::string date = kept.ListinfoDate();
      kept.RestoreAll();
      if (!usable) {
        skip(*problem);
        return 0;
      }
      run.Warn(*problem + "; the lists of an earlier run, from " + date + ", were used instead");
      summary.lists = "an earlier run's, from " + date + ", as MAME failed in this run";
    }
  } else if (!IsFile(listinfo_path)) {
    if (keep_failed) {
      skip(*keep_failed + "; MAME was not run");
      return 0;
    }
    if (result != MameRunResult::kNoConfig) {
      skip(listinfo_path + ": not found (MAME did not write it, and no earlier run left one)");
      return 0;
    }
    const std::string why = NoConfigText(run.app_dir) +
                            ": MAME was not run, and no earlier MAME lists are here; MAME's "
                            "games are left out";
    run.Warn(why + MisplacedConfigHint(run.app_dir));
    run.report.mame.LeaveOut(why);
    return 0;
  } else if (reused) {
    summary.lists = "reused: the lists of " + summary.reused_from +
                    ", unchanged since an earlier run; MAME was not run";
    summary.devices_left_out = reused_devices;
  } else if (keep_failed) {
    run.Warn(*keep_failed + "; MAME was not run, and the lists already there, listinfo.dat from " +
             FileDate(listinfo_path) + ", were read as they stand");
    summary.lists = "an earlier run's, read as they stand: they could not be kept aside for MAME";
  } else {
    // Without mame.cfg, whatever listinfo.dat an earlier run (or the user) left is read as it
    // stands.
    summary.lists = "left by an earlier run (no cfgs/mame.cfg: MAME was not run)";
    run.Note(NoConfigText(run.app_dir) + ": MAME was not run; the lists an earlier run left in " +
             run.app_dir + " (listinfo.dat from " + FileDate(listinfo_path) +
             ") were read as they stand");
  }
  if (const Problem problem = along ? along->Wait(run) : mame.side_files.Open(run.app_dir)) {
    skip(*problem);
    return 0;
  }

  LogStep({"getting listinfo"});
  const size_t added =
      along ? along->Take(run, &summary.categories)
            : GetListInfo("listinfo.dat", run, &mame.side_files, &summary.categories);
  // The side files are no longer needed; should the read throw instead, they close with `mame`.
  mame.side_files.Close();
  LogStep({"listinfo complete"});
  summary.games = mame.side_files.paired_games();
  summary.resources = added - summary.games;
  mame.side_files.WarnShort(run);
  LogStep({"Killing Bats"});
  // Reused lists leave the MAME folder untouched.
  if (mame.scripts_written) KillBats(mame.script_folder);
  LogStep({"Mame Data Extraction complete", "Going to Parse Other Dats"});
  *file_list = ListDatFiles(run.DatsDir());
  return added;
}

}  // namespace tabulon
