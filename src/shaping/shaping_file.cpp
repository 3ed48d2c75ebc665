// tabulon.ini as a file: which one a run reads, the commented file written on request, and the
// one key the window changes in it.
#include <string_view>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile_ini.h"
#include "platform/text_io.h"
#include "records/run_state.h"
#include "shaping/shaping_settings.h"

namespace tabulon {
namespace {

// Every key at its default, which leaves every step off. A value is all the text after "=", so
// the remarks stand on lines of their own.
constexpr std::string_view kTemplate[] = {
    "; tabulon.ini: what Tabulon leaves out of MAME's games in the master list.",
    "; Every step is off as written: set a key to 1, or give it a value, to switch its step on.",
    "; A value is all the text after \"=\", so remarks go on lines of their own, beginning with",
    "; \";\" or \"#\". Booleans are 1 or 0 (or yes/no, true/false, on/off). The games of dats/",
    "; are never left out. tabulon-cli --no-shaping ignores this file for a run, and",
    "; --set SECTION.KEY=VALUE changes a key for a run, such as --set Filters.HideBIOS=1.",
    "",
    "[Shaping]",
    "; 0 switches every step off, as if this file were not there.",
    "Enabled=1",
    "",
    "[Filters]",
    "; BIOS sets and the other sets that are no game.",
    "HideBIOS=0",
    "; Mechanical machines (pinball tables, slot machines).",
    "HideMechanical=0",
    "; Machines without a screen.",
    "HideScreenless=0",
    "; Games whose emulation does not work (the list shows \"Working No\").",
    "HideNotWorking=0",
    "; Games whose emulation is imperfect.",
    "HideImperfect=0",
    "; Games whose category is marked Mature.",
    "HideMature=0",
    "; Games without a category (TLTC, ????).",
    "HideUncategorized=0",
    "; Every clone: only the parents stay.",
    "HideClones=0",
    "; The years to keep, both included, 4 digits; empty for no bound. A year MAME gives as 198?",
    "; counts as 1980 to 1989.",
    "YearFrom=",
    "YearTo=",
    "; Games whose year is not known.",
    "HideUnknownYear=0",
    "; Players, from catvers/nplayers.ini when it knows the game, else from MAME; empty for no",
    "; bound.",
    "PlayersMin=",
    "PlayersMax=",
    "HideUnknownPlayers=0",
    "; horizontal or vertical; empty for both.",
    "Orientation=",
    "; raster, vector, lcd or svg, separated by commas; empty for all.",
    "ScreenTypes=",
    "; The most buttons a game may use; empty for any number.",
    "ButtonsMax=",
    "; The joystick ways the cabinet has, separated by commas, such as 2,4,8; empty for any.",
    "JoystickWays=",
    "; MAME's control types to leave out, separated by commas, such as",
    "; mahjong,hanafuda,gambling,keyboard,keypad.",
    "HideControls=",
    "",
    "[HideCategories]",
    "; One category a line, as catver.ini writes it: \"Fighter / Versus\" hides that category,",
    "; \"Fighter\" every \"Fighter / ...\" category; * and ? stand for any text and any one",
    "; character.",
    "",
    "[ShowCategories]",
    "; One category a line, as above: when there is one, only the games of a category given here",
    "; stay.",
    "",
    "[Availability]",
    "; 1 keeps only the games whose files are all in the ROM folders.",
    "AvailableOnly=0",
    "; The ROM folders, separated by \";\"; a relative one is taken from MAME's folder. Empty for",
    "; MAME's own rompath.",
    "RomPath=",
    "; How a ROM is found in a zip or 7z: name-or-crc, name or crc.",
    "Match=name-or-crc",
    "; default: a BIOS needs the files of its default option only; all: of every option.",
    "BiosOptions=default",
    "; 1 also leaves out the machines that need no file at all.",
    "HideNeedsNoFiles=0",
    "; 1 also needs the samples of the games that use them.",
    "RequireSamples=0",
    "; The sample folders, like RomPath; empty for MAME's own samplepath.",
    "SamplePath=",
    "",
    "[BestClone]",
    "; 1 keeps one set of each game, its parent and clones: the best of them.",
    "OnePerFamily=0",
    "; The regions in the order you prefer them: \";\" between ranks, \"|\" between the words of "
    "one",
    "; rank.",
    "Regions=World; USA|US; Europe|Euro; Japan",
    "; Sets with one of these words in their description or manufacturer come last.",
    "AvoidWords=bootleg; hack; prototype; location test; demo",
    "; 0 lists a chosen clone as its own parent; 1 keeps its \"clone of\".",
    "KeepCloneOf=0",
    "",
    "[PreferClone]",
    "; parent=clone, one a line: the set that stands for the game, such as sf2=sf2ce.",
    "",
    "[AlwaysShow]",
    "; Set names, one a line: kept by every step but NeverShow and the ROM folders' check.",
    "",
    "[NeverShow]",
    "; Set names, one a line: never listed.",
};

}  // namespace

void WriteShapingTemplate(const std::string& path) {
  if (Exists(path)) {
    throw Error(path, "exists already; Tabulon does not write over it (rename or delete it first)");
  }
  AtomicTextWriter writer(path);
  for (std::string_view line : kTemplate) writer.WriteLine(line);
  writer.Commit();
}

void SetShapingEnabled(const std::string& path, bool enabled) {
  // An editor's byte order mark would hide the first section from the ini layer, which would
  // then add a second [Shaping]: the file is written back as plain UTF-8.
  ProfileIni ini;
  ini.LoadText(path, WithoutByteOrderMark(ReadWholeFile(path)));
  ini.Set("Shaping", "Enabled", enabled ? "1" : "0");
  ini.Save();
}

bool ShapingEnabledIn(const std::string& path) {
  ProfileIni ini;
  ini.LoadText(path, WithoutByteOrderMark(ReadWholeFile(path)));
  ShapingSettings settings;
  try {
    settings = ShapingFromOptions({"Shaping.Enabled=" + ini.Get("Shaping", "Enabled", "1")});
  } catch (const Error&) {
    return true;
  }
  return settings.enabled;
}

ShapingSettings LoadShaping(const std::string& app_dir, const ShapingRequest& request,
                            bool* found) {
  if (found != nullptr) *found = false;
  if (request.ignore) {
    ShapingSettings off;
    off.enabled = false;
    return off;
  }
  std::string path = request.file;
  if (path.empty() && IsFile(InFolder(app_dir, kShapingFileName))) {
    path = InFolder(app_dir, kShapingFileName);
  }
  if (path.empty()) return ShapingFromOptions(request.set_options);
  if (!IsFile(path)) {
    throw Error(path, "no such file: give the settings file to read, or leave out --shaping");
  }
  if (found != nullptr) *found = true;
  return ReadShapingSettings(path, request.set_options);
}

}  // namespace tabulon
