// MAME data extraction and its run log.
#include "mame/mame_data.h"

#include <atomic>
#include <filesystem>
#include <utility>

#include "datparse/dat_reader.h"
#include "mame/bat_scripts.h"
#include "mame/listxml_converter.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/file_list.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// MAME mode and the open side files last exactly as long as MAME's own list is read, also when
// the read ends with an exception.
class MameModeScope {
 public:
  explicit MameModeScope(MameState& mame) : mame_(mame) { mame_.MameMode = true; }
  ~MameModeScope() {
    mame_.MameMode = false;
    mame_.side_files.Close();
  }
  MameModeScope(const MameModeScope&) = delete;
  MameModeScope& operator=(const MameModeScope&) = delete;

 private:
  MameState& mame_;
};

bool HasGameBlock(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  LineReader reader(path);
  std::string line;
  while (reader.ReadLine(&line)) {
    if (line.find("game (") != std::string::npos) return true;
  }
  return false;
}

// Today's MAME knows only -listxml: it writes its output straight into listxml.xml, which is
// read and converted behind it while it runs, into the three lists old MAME printed. Bad XML
// stops the conversion but not the saving, so the line and column the warning names can be
// looked up in listxml.xml. Returns an empty text on success, else the warning naming the file.
std::string ConvertFromMame(RunState& run, const MameState& mame) {
  const std::string xml_path = run.app_dir + "/listxml.xml";
  run.ShowStatus("Parsing MAME for listxml......");
  // The previous run's XML goes out of the way first. Renaming the new one over it would make
  // ext4 write all of it to disk before the rename returns (its guard for files replaced by
  // rename), a pause of about 0.15 s on MAME's 270 MB. It is moved aside, which is instant, and
  // deleted while MAME runs: deleting that much takes nearly a tenth of a second too.
  const std::string old_xml_path = run.app_dir + "/.listxml.xml.old";
  std::error_code ec;
  std::filesystem::remove(old_xml_path, ec);
  std::filesystem::rename(xml_path, old_xml_path, ec);
  bool old_xml_removed = false;
  auto remove_old_xml = [&] {
    if (old_xml_removed) return;
    std::error_code ignored;
    std::filesystem::remove(old_xml_path, ignored);
    old_xml_removed = true;
  };
  try {
    AtomicTextWriter saved(xml_path);
    ListXmlConverter converter(run.app_dir, xml_path);
    std::string conversion_error;
    // The output is converted on a thread of its own; the view hears of it from this one.
    std::atomic<bool> converting{false};
    bool shown = false;
    auto show_converting = [&] {
      if (shown || !converting.load()) return;
      run.ShowStatus("Converting MAME listxml......");
      shown = true;
    };
    std::string error;
    bool ran = RunCommandWritingFile(
        mame.MamePath, mame.MameExe + " -listxml", saved.descriptor(),
        [&](const char* data, size_t size) {
          converting = true;
          if (!conversion_error.empty()) return;
          try {
            converter.Feed(data, size);
          } catch (const Error& e) {
            conversion_error = e.what();
          }
        },
        [&] {
          show_converting();
          remove_old_xml();
          run.Yield();
        },
        &error);
    show_converting();
    remove_old_xml();
    if (!ran) return mame.MamePath + mame.MameExe + ": " + error;
    saved.Commit();
    if (!conversion_error.empty()) return conversion_error;
    converter.Finish();
    if (converter.counts().games + converter.counts().resources == 0) {
      return xml_path + ": MAME's -listxml output holds no machine";
    }
    return "";
  } catch (const Error& e) {
    remove_old_xml();
    return e.what();
  }
}

}  // namespace

void WriteRunLog(const std::string& app_dir, const std::vector<std::string>& lines) {
  WriteTextFile(app_dir + "/tabulonlog.txt", lines);
}

size_t GetMameData(RunState& run, std::vector<std::string>* file_list, ScriptRunner script_runner) {
  MameState mame;
  mame.script_runner = std::move(script_runner);
  mame.IsMame = true;
  WriteRunLog(run.app_dir, {"Making Bats"});
  const MameRunResult result = RunMame(run, mame);
  WriteRunLog(run.app_dir, {"Bats Complete, Initial File Open"});
  if (!mame.IsMame) return 0;

  const std::string listinfo_path = run.app_dir + "/listinfo.dat";
  auto skip = [&run, &mame](const std::string& why) {
    run.Warn(why + "; MAME's games are left out, the dats of dats/ are still read");
    KillBats(mame.MamePath);
  };
  std::error_code ec;
  const bool ran_mame =
      result == MameRunResult::kRan || result == MameRunResult::kScriptsNotWritten;
  if (ran_mame && (result == MameRunResult::kScriptsNotWritten || !HasGameBlock(listinfo_path))) {
    std::string problem = ConvertFromMame(run, mame);
    if (!problem.empty()) {
      skip(problem);
      return 0;
    }
  }
  if (!std::filesystem::is_regular_file(listinfo_path, ec)) {
    skip(listinfo_path + ": not found (MAME did not write it, and no earlier run left one)");
    return 0;
  }
  if (!HasGameBlock(listinfo_path)) {
    skip(listinfo_path +
         ": holds no game; MAME wrote no list for -li (today's MAME no longer "
         "knows -li, -listdetails and -gamelist)");
    return 0;
  }
  std::string problem = mame.side_files.Open(run.app_dir);
  if (!problem.empty()) {
    skip(problem);
    return 0;
  }

  size_t added = 0;
  {
    MameModeScope mame_mode(mame);
    WriteRunLog(run.app_dir, {"getting listinfo"});
    added = GetListInfo("listinfo.dat", run, &mame.side_files);
    WriteRunLog(run.app_dir, {"listinfo complete"});
  }
  mame.side_files.WarnShort(run);
  WriteRunLog(run.app_dir, {"Killing Bats"});
  KillBats(mame.MamePath);
  WriteRunLog(run.app_dir, {"Mame Data Extraction complete", "Going to Parse Other Dats"});
  *file_list = ListDatFiles(run.DatsDir());
  return added;
}

}  // namespace tabulon
