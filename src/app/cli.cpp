// Argument parsing, the terminal view and the summary of tabulon-cli.
#include "app/cli.h"

#include <filesystem>
#include <new>
#include <ostream>

#include "app/generation_run.h"
#include "mame/listxml_converter.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/file_list.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/text_io.h"
#include "records/game_record.h"
#include "shaping/shaping_settings.h"

namespace tabulon {
namespace {

constexpr const char* kUsage =
    "usage: tabulon-cli [--app-dir DIR] [--quintara] [--refresh-mame] [--no-wait]\n"
    "                   [--shaping FILE | --no-shaping] [--set SECTION.KEY=VALUE]...\n"
    "       tabulon-cli --convert-listxml FILE [--app-dir DIR]\n"
    "       tabulon-cli --write-shaping-template [--app-dir DIR]\n"
    "\n"
    "Builds masterlist.lst in the parent of the application folder DIR (default: the folder\n"
    "that holds this program) from every *.dat file in DIR/dats, with categories and versions\n"
    "from DIR/catvers.\n"
    "\n"
    "  --app-dir DIR  the application folder to run in\n"
    "  --quintara     write the 38-field Quintara layout instead of the normal one\n"
    "  --refresh-mame run MAME even when it is unchanged since the run that made its lists\n"
    "  --no-wait      when another run is using DIR or the MAME folder, end at once with\n"
    "                 exit status 75 instead of waiting for it to end\n"
    "  --shaping FILE read the list shaping settings from FILE instead of DIR/tabulon.ini\n"
    "  --no-shaping   ignore DIR/tabulon.ini: list every game MAME knows\n"
    "  --set SECTION.KEY=VALUE\n"
    "                 change one shaping setting for this run, after the file is read (and\n"
    "                 without one), such as --set Filters.HideBIOS=1; may be repeated\n"
    "  --write-shaping-template\n"
    "                 only write DIR/tabulon.ini, every setting explained and every step\n"
    "                 off, to edit; an existing one is left as it is\n"
    "  --convert-listxml FILE\n"
    "                 only turn MAME's -listxml output FILE into listinfo.dat, listdetails.dat\n"
    "                 and gamelist.dat in DIR, as an old MAME would have written them\n"
    "  --help         show this help\n"
    "  --version      show the version\n";

class TerminalView : public View {
 public:
  explicit TerminalView(std::ostream& err) : err_(err) {}
  void ShowStatus(const std::string& text) override { err_ << text << '\n'; }
  void Warning(const std::string& text) override { err_ << "warning: " << text << '\n'; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    err_ << title << ": " << text << '\n';
  }

 private:
  std::ostream& err_;
};

// Refuses an application folder that a run would go wrong in, before anything is made or written
// there: the front-end folder itself (it holds cfgs and no dats), whose parent would receive the
// master list and whose cfgs/mame.cfg would be looked for one folder too high, or a folder whose
// parent cannot take the master list.
void CheckAppFolder(const std::string& app_dir) {
  if (IsFolder(InFolder(app_dir, "cfgs")) && !IsFolder(InFolder(app_dir, "dats"))) {
    throw Error(app_dir,
                "is the front-end folder (it holds cfgs and no dats); give the application folder "
                "inside it, such as --app-dir \"" +
                    InFolder(app_dir, "Tabulon") + "\"");
  }
  const std::string front = FrontEndFolder(app_dir);
  if (!IsFolder(front)) {
    throw Error(front,
                "no such folder: the master list goes into the parent of the application "
                "folder");
  }
  std::string error;
  if (!CanReplaceFile(MasterListPath(app_dir), &error)) {
    throw Error(MasterListPath(app_dir),
                "the master list cannot be written there (" + error +
                    "): the application folder must be a folder of the front end's own folder, "
                    "where the front end reads masterlist.lst");
  }
}

}  // namespace

std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& args, std::string* error) {
  CliArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else if (arg == "--version") {
      parsed.version = true;
    } else if (arg == "--quintara") {
      parsed.quintara = true;
    } else if (arg == "--refresh-mame") {
      parsed.refresh_mame = true;
    } else if (arg == "--no-wait") {
      parsed.no_wait = true;
    } else if (arg == "--app-dir" || arg.rfind("--app-dir=", 0) == 0) {
      // An empty folder name is a mistake (an unset variable in a script), not a request for
      // the program's own folder.
      const bool joined = arg != "--app-dir";
      if (!joined && i + 1 < args.size()) parsed.app_dir = args[++i];
      if (joined) parsed.app_dir = arg.substr(10);
      if (parsed.app_dir.empty()) {
        *error = "--app-dir needs a folder";
        return std::nullopt;
      }
    } else if (arg == "--no-shaping") {
      parsed.shaping.ignore = true;
    } else if (arg == "--write-shaping-template") {
      parsed.write_shaping_template = true;
    } else if (arg == "--shaping" || arg == "--set") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *error = arg + (arg == "--set" ? " needs SECTION.KEY=VALUE" : " needs a file");
        return std::nullopt;
      }
      if (arg == "--set") {
        parsed.shaping.set_options.push_back(args[++i]);
      } else {
        parsed.shaping.file = args[++i];
      }
    } else if (arg == "--convert-listxml") {
      if (i + 1 >= args.size()) {
        *error = "--convert-listxml needs a file";
        return std::nullopt;
      }
      parsed.convert_listxml = args[++i];
    } else {
      *error = "unknown argument '" + arg + "'";
      return std::nullopt;
    }
  }
  if (parsed.shaping.ignore &&
      (!parsed.shaping.file.empty() || !parsed.shaping.set_options.empty())) {
    *error = "--no-shaping cannot go with --shaping or --set: give one or the other";
    return std::nullopt;
  }
  return parsed;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string error;
  std::optional<CliArgs> parsed = ParseCliArgs(args, &error);
  if (!parsed) {
    err << "tabulon-cli: error: " << error << "\n" << kUsage;
    return 2;
  }
  if (parsed->help) {
    out << kUsage;
    return 0;
  }
  if (parsed->version) {
    out << "tabulon-cli (Tabulon Version 5.0)\n";
    return 0;
  }

  std::string app_dir =
      parsed->app_dir.empty()
          ? ExecutableFolder()
          : PathText(std::filesystem::absolute(FsPath(parsed->app_dir)).lexically_normal());
  // "dir/" is the folder "dir": its parent is the front-end folder. A root keeps its separator.
  while (app_dir.size() > 1 && EndsWithSeparator(app_dir) && FsPath(app_dir).has_relative_path()) {
    app_dir.pop_back();
  }

  // Every failure below is reported here, whatever went wrong: a bad file, an interrupt, or
  // what the engine did not expect (out of memory, a filesystem or thread error).
  try {
    TerminalView view(err);
    if (!parsed->convert_listxml.empty()) {
      // The lists it writes are the ones a run in that folder keeps aside and reads.
      RunState converting(app_dir, &view);
      converting.no_wait = parsed->no_wait;
      std::string unlocked;
      const FileLock lock = converting.LockFolder(app_dir, &unlocked);
      ListXmlCounts counts = ConvertListXmlFile(parsed->convert_listxml, app_dir);
      err << "Converted " << parsed->convert_listxml << ": " << counts.games << " games, "
          << counts.resources << " resources, " << counts.devices << " devices left out\n";
      out << InFolder(app_dir, "listinfo.dat") << '\n';
      return 0;
    }
    if (parsed->write_shaping_template) {
      const std::string path = InFolder(app_dir, kShapingFileName);
      WriteShapingTemplate(path);
      err << "Wrote " << path << " with every step off: edit it to shape the list\n";
      out << path << '\n';
      return 0;
    }
    // A mistake in the settings stops the run before anything is read or written. The file is
    // named in full, as the report names it.
    if (!parsed->shaping.file.empty()) {
      parsed->shaping.file =
          PathText(std::filesystem::absolute(FsPath(parsed->shaping.file)).lexically_normal());
    }
    LoadShaping(app_dir, parsed->shaping, nullptr);
    CheckAppFolder(app_dir);
    RunState run(app_dir, &view);
    run.shaping = parsed->shaping;
    run.layout = parsed->quintara ? RecordLayout::kQuintara : RecordLayout::kNormal;
    run.refresh_mame = parsed->refresh_mame;
    run.no_wait = parsed->no_wait;
    std::vector<std::string> file_list;
    LoadAppFolder(run, &file_list);
    GenerationResult result = RunGeneration(run, &file_list);
    for (const std::string& line : RunSummary(run.report, &result)) err << line << '\n';
    out << result.master_list << '\n';
    return 0;
  } catch (const RunInterrupted& e) {
    err << "tabulon-cli: the run was stopped by " << SignalName(e.signal())
        << "; the master list and category files are unchanged\n";
    return 128 + e.signal();
  } catch (const FolderBusy& e) {
    err << "tabulon-cli: " << e.what() << '\n';
    return kFolderBusyStatus;
  } catch (const Error& e) {
    err << "tabulon-cli: error: " << e.what() << '\n';
  } catch (const std::bad_alloc&) {
    err << "tabulon-cli: error: out of memory\n";
  } catch (const std::exception& e) {
    err << "tabulon-cli: error: " << e.what() << '\n';
  }
  if (parsed->convert_listxml.empty() && !parsed->write_shaping_template) {
    err << "tabulon-cli: the master list was not written; the previous one is unchanged\n";
  }
  return 1;
}

}  // namespace tabulon
