// The order of the steps and what the report says of each.
#include "shaping/shaping.h"

#include <array>
#include <optional>

#include "mame/mame_facts.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile_ini.h"
#include "platform/strings.h"
#include "shaping/availability.h"
#include "shaping/shape_steps.h"

namespace tabulon {
namespace {

constexpr size_t kStepCount = static_cast<size_t>(ShapeStep::kFamily) + 1;
constexpr size_t kReasonsShown = 20;

std::string Joined(const std::vector<std::string>& items, const char* between) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : between) + item;
  return text;
}

std::string Numbers(const std::vector<int>& numbers) {
  std::string text;
  for (const int n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n);
  return text;
}

void AddKey(std::vector<std::string>* keys, bool on, const std::string& key) {
  if (on) keys->push_back(key);
}

void AddValue(std::vector<std::string>* keys, const std::optional<int>& value, const char* key) {
  if (value) keys->push_back(std::string(key) + "=" + std::to_string(*value));
}

// The keys that switch each filter step on, as the report names them; empty for a step that is
// off.
std::array<std::vector<std::string>, kStepCount> ActiveKeys(const ShapingSettings& s) {
  std::array<std::vector<std::string>, kStepCount> keys;
  auto at = [&keys](ShapeStep step) { return &keys[static_cast<size_t>(step)]; };
  if (!s.never_show.empty()) {
    at(ShapeStep::kNeverShow)
        ->push_back("[NeverShow] (" + std::to_string(s.never_show.size()) +
                    (s.never_show.size() == 1 ? " set)" : " sets)"));
  }
  AddKey(at(ShapeStep::kBios), s.hide_bios, "HideBIOS");
  AddKey(at(ShapeStep::kMechanical), s.hide_mechanical, "HideMechanical");
  AddKey(at(ShapeStep::kScreenless), s.hide_screenless, "HideScreenless");
  AddKey(at(ShapeStep::kNotWorking), s.hide_not_working, "HideNotWorking");
  AddKey(at(ShapeStep::kImperfect), s.hide_imperfect, "HideImperfect");
  AddKey(at(ShapeStep::kMature), s.hide_mature, "HideMature");
  AddKey(at(ShapeStep::kCategories), s.hide_uncategorized, "HideUncategorized");
  AddKey(at(ShapeStep::kCategories), !s.hide_categories.empty(), "[HideCategories]");
  AddKey(at(ShapeStep::kCategories), !s.show_categories.empty(), "[ShowCategories]");
  AddValue(at(ShapeStep::kYear), s.year_from, "YearFrom");
  AddValue(at(ShapeStep::kYear), s.year_to, "YearTo");
  AddKey(at(ShapeStep::kYear), s.hide_unknown_year, "HideUnknownYear");
  AddValue(at(ShapeStep::kPlayers), s.players_min, "PlayersMin");
  AddValue(at(ShapeStep::kPlayers), s.players_max, "PlayersMax");
  AddKey(at(ShapeStep::kPlayers), s.hide_unknown_players, "HideUnknownPlayers");
  AddKey(at(ShapeStep::kControls), !s.hide_controls.empty(),
         "HideControls=" + Joined(s.hide_controls, ","));
  AddKey(at(ShapeStep::kControls), !s.joystick_ways.empty(),
         "JoystickWays=" + Numbers(s.joystick_ways));
  AddValue(at(ShapeStep::kControls), s.buttons_max, "ButtonsMax");
  AddKey(at(ShapeStep::kScreen), s.orientation != Orientation::kAny,
         std::string("Orientation=") +
             (s.orientation == Orientation::kVertical ? "vertical" : "horizontal"));
  AddKey(at(ShapeStep::kScreen), !s.screen_types.empty(),
         "ScreenTypes=" + Joined(s.screen_types, ","));
  AddKey(at(ShapeStep::kClones), s.hide_clones, "HideClones");
  return keys;
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// MAME's folder (with its separator) and program name, from the program the run found; empty
// when no mame.cfg named one.
void SplitProgram(const std::string& program, std::string* folder, std::string* exe) {
  const size_t cut = program.find_last_of(PathSeparator() == '/' ? "/" : "\\/");
  *folder = cut == std::string::npos ? "" : program.substr(0, cut + 1);
  *exe = cut == std::string::npos ? program : program.substr(cut + 1);
}

struct AvailabilityCounts {
  std::array<size_t, static_cast<size_t>(Missing::kNeedsNoFiles) + 1> missing{};
  std::vector<std::string> first;  // "set (reason)" of the first kReasonsShown left out
};

// Step 13 over the records still kept. Returns false, with a warning given, when it could not
// be done.
bool CheckAvailability(RunState& run, const ShapingSettings& settings, const MameFacts& facts,
                       std::vector<ShapeStep>* verdicts, AvailabilityCounts* counts,
                       std::string* where) {
  std::string folder, exe;
  SplitProgram(run.report.mame_setup.program, &folder, &exe);
  std::vector<std::string> rom_folders, sample_folders;
  try {
    rom_folders = RomFolders(settings.rom_path, folder, exe, false);
    if (settings.require_samples) {
      sample_folders = RomFolders(settings.sample_path, folder, exe, true);
    }
  } catch (const Error& e) {
    run.Warn(std::string(e.what()) + "; AvailableOnly left nothing out");
    return false;
  }
  *where = Joined(rom_folders, ";");
  // A mistyped folder would leave out every game it holds without a word.
  for (const std::string& rom_folder : rom_folders) {
    if (!IsFolder(rom_folder)) {
      run.Warn((settings.file.empty() ? std::string("--set") : settings.file) + ": RomPath: " +
               rom_folder + " is no folder; nothing is found there: correct the path");
    }
  }
  AvailabilityCheck check(settings, facts, rom_folders, sample_folders);
  const std::vector<HeldRecord>& records = run.held_mame;
  for (size_t i = 0; i < records.size(); ++i) {
    if ((*verdicts)[i] != ShapeStep::kKept) continue;
    run.Yield();
    const AvailabilityVerdict verdict = check.Check(records[i].slots.lrom);
    if (verdict.missing == Missing::kNone) continue;
    (*verdicts)[i] = ShapeStep::kAvailability;
    ++counts->missing[static_cast<size_t>(verdict.missing)];
    if (counts->first.size() < kReasonsShown) {
      counts->first.push_back(std::string(records[i].slots.lrom) + " (" + verdict.reason + ")");
    }
  }
  for (const std::string& warning : check.warnings()) run.Warn(warning);
  return true;
}

std::string AvailabilityLine(const AvailabilityCounts& counts, size_t left_out,
                             const std::string& where) {
  auto n = [&counts](Missing kind) { return counts.missing[static_cast<size_t>(kind)]; };
  std::string line = "AvailableOnly (RomPath " + where + "): " + std::to_string(left_out) +
                     " left out: " + std::to_string(n(Missing::kOwn)) +
                     " missing their own files, " + std::to_string(n(Missing::kParent)) +
                     " their parent's, " + std::to_string(n(Missing::kBios)) + " BIOS, " +
                     std::to_string(n(Missing::kDevice)) + " device, " +
                     std::to_string(n(Missing::kDisk)) + " CHD, " +
                     std::to_string(n(Missing::kSample)) + " sample files";
  if (n(Missing::kNeedsNoFiles) > 0) {
    line += ", " + Count(n(Missing::kNeedsNoFiles), "needs", "need") + " no files";
  }
  return line;
}

}  // namespace

bool NeedsMameFacts(const ShapingSettings& s) {
  return s.available_only || s.hide_mechanical || !s.hide_controls.empty() ||
         !s.joystick_ways.empty() || s.buttons_max.has_value();
}

void ShapeMameRecords(RunState& run, const ShapingSettings& settings,
                      std::optional<MameFacts>* gathered) {
  ShapingSummary& summary = run.report.shaping;
  summary.active = true;
  summary.file = settings.file.empty() ? "--set" : PathText(FsPath(settings.file).filename());
  const std::vector<HeldRecord>& records = run.held_mame;
  summary.in = records.size();

  std::optional<MameFacts> facts;
  if (gathered != nullptr && gathered->has_value()) {
    facts = std::move(*gathered);
    gathered->reset();
  } else if (NeedsMameFacts(settings) && !records.empty()) {
    std::string why;
    try {
      facts = LoadMameFacts(run.app_dir, &why);
    } catch (const Error& e) {
      why = e.what();
    }
    if (!why.empty()) {
      run.Warn(
          "The shaping's steps that need what MAME knows of its machines beyond the lists "
          "(AvailableOnly, HideMechanical, every control) left nothing out: " +
          why);
    }
  }
  std::optional<ProfileIni> nplayers;
  const std::string nplayers_path = InFolder(run.CatversDir(), "nplayers.ini");
  if ((settings.players_min || settings.players_max || settings.hide_unknown_players) &&
      IsFile(nplayers_path)) {
    try {
      nplayers.emplace().Load(nplayers_path);
    } catch (const Error& e) {
      run.Warn(std::string(e.what()) + "; the players' numbers are MAME's own");
      nplayers.reset();
    }
  }

  run.ShowStatus("Shaping the list......");
  const MameFacts* known = facts ? &*facts : nullptr;
  std::vector<ShapeStep> verdicts =
      RunFilters(records, FilterContext{settings, known, nplayers ? &*nplayers : nullptr});

  AvailabilityCounts counts;
  std::string where;
  bool availability_done = false;
  if (settings.available_only && known != nullptr && known->known.files) {
    run.ShowStatus("Checking the ROM folders......");
    availability_done = CheckAvailability(run, settings, *known, &verdicts, &counts, &where);
  }
  facts.reset();  // what the ROM folders' check needed, and the largest part of the memory

  std::vector<bool> represents(records.size(), false);
  size_t families = 0;
  if (settings.one_per_family) {
    KeepOnePerFamily(records, settings, &verdicts, &represents);
    for (size_t i = 0; i < records.size(); ++i) families += verdicts[i] == ShapeStep::kKept;
  }

  std::array<size_t, kStepCount> left_out{};
  for (const ShapeStep verdict : verdicts) ++left_out[static_cast<size_t>(verdict)];
  const std::array<std::vector<std::string>, kStepCount> keys = ActiveKeys(settings);
  summary.lines.push_back("records in: " + std::to_string(summary.in));
  for (size_t step = 1; step < static_cast<size_t>(ShapeStep::kAvailability); ++step) {
    if (keys[step].empty()) continue;
    std::string line = Joined(keys[step], ", ") + ": ";
    if (step == static_cast<size_t>(ShapeStep::kMechanical) &&
        (known == nullptr || !known->known.mechanical)) {
      line += "not known for these lists, nothing left out";
    } else {
      line += std::to_string(left_out[step]) + " left out";
    }
    summary.lines.push_back(line);
  }
  if (settings.available_only) {
    const size_t n = left_out[static_cast<size_t>(ShapeStep::kAvailability)];
    if (availability_done) {
      summary.lines.push_back(AvailabilityLine(counts, n, where));
      if (!counts.first.empty()) {
        summary.lines.push_back((n > counts.first.size()
                                     ? "  the first " + std::to_string(counts.first.size()) + ": "
                                     : std::string("  ")) +
                                Joined(counts.first, ", "));
      }
    } else {
      summary.lines.push_back("AvailableOnly: not done, nothing left out (see the warnings)");
    }
  }
  if (settings.one_per_family) {
    summary.lines.push_back(
        "OnePerFamily: " + std::to_string(left_out[static_cast<size_t>(ShapeStep::kFamily)]) +
        " left out, " + Count(families, "family", "families"));
  }

  for (size_t i = 0; i < records.size(); ++i) {
    if (verdicts[i] != ShapeStep::kKept) continue;
    FieldSlots slots = SlotsOf(records[i]);
    if (represents[i] && !settings.keep_clone_of) slots.LClone = slots.lrom;
    AddGameRecord(slots, run.layout, &run.List1);
    ++summary.out;
  }
  summary.lines.push_back("records out: " + std::to_string(summary.out));
  summary.lines.push_back("dats/: not shaped");
  run.held_mame.clear();
  run.held_mame.shrink_to_fit();
  run.held_text.Clear();
}

}  // namespace tabulon
