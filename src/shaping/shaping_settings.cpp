// Reading tabulon.ini and the command line's --set options into ShapingSettings. The file is read
// here line by line rather than through ProfileIni, so that a mistake can name its line; the
// rules for names and values are the ini layer's, but for the cut at 999 characters, which
// would silently drop the end of a long RomPath.
#include "shaping/shaping_settings.h"

#include <algorithm>
#include <array>

#include "platform/error.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A value as the ini layer gives it: trimmed, then one pair of surrounding quotes taken off.
std::string_view CleanValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

// The trimmed, non-empty pieces of `text` between `separator`s.
std::vector<std::string> Pieces(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (std::string_view piece : Split(text, separator)) {
    piece = TrimBlanks(piece);
    if (!piece.empty()) pieces.emplace_back(piece);
  }
  return pieces;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number of at most nine digits (so it fits an int); empty leaves `out` unset.
bool ParseCount(std::string_view value, std::optional<int>* out) {
  if (value.empty()) {
    out->reset();
    return true;
  }
  if (!AllDigits(value) || value.size() > 9) return false;
  *out = std::stoi(std::string(value));
  return true;
}

bool ParseBool(std::string_view value, bool* out) {
  static constexpr std::array<std::string_view, 4> kOn = {"1", "yes", "true", "on"};
  static constexpr std::array<std::string_view, 4> kOff = {"0", "no", "false", "off"};
  for (size_t i = 0; i < kOn.size(); ++i) {
    if (EqualsNoCase(value, kOn[i]) || EqualsNoCase(value, kOff[i])) {
      *out = EqualsNoCase(value, kOn[i]);
      return true;
    }
  }
  return false;
}

// Each key sets its member from a cleaned value, or says false when the value is not one of
// those allowed. An empty value gives the key's default.
using Apply = bool (*)(ShapingSettings&, std::string_view);

template <bool ShapingSettings::*member, bool on_when_empty = false>
bool SetBool(ShapingSettings& s, std::string_view value) {
  if (value.empty()) return (s.*member = on_when_empty, true);
  return ParseBool(value, &(s.*member));
}

template <std::optional<int> ShapingSettings::*member>
bool SetCount(ShapingSettings& s, std::string_view value) {
  return ParseCount(value, &(s.*member));
}

template <std::optional<int> ShapingSettings::*member>
bool SetYear(ShapingSettings& s, std::string_view value) {
  return (value.empty() || (value.size() == 4 && AllDigits(value))) &&
         ParseCount(value, &(s.*member));
}

template <std::vector<std::string> ShapingSettings::*member, char separator, bool lower>
bool SetList(ShapingSettings& s, std::string_view value) {
  s.*member = Pieces(lower ? LowerAscii(value) : std::string(value), separator);
  return true;
}

bool SetOrientation(ShapingSettings& s, std::string_view value) {
  if (value.empty()) return (s.orientation = Orientation::kAny, true);
  if (EqualsNoCase(value, "horizontal")) return (s.orientation = Orientation::kHorizontal, true);
  if (EqualsNoCase(value, "vertical")) return (s.orientation = Orientation::kVertical, true);
  return false;
}

bool SetScreenTypes(ShapingSettings& s, std::string_view value) {
  std::vector<std::string> types = Pieces(LowerAscii(value), ',');
  for (const std::string& type : types) {
    if (type != "raster" && type != "vector" && type != "lcd" && type != "svg") return false;
  }
  s.screen_types = std::move(types);
  return true;
}

bool SetJoystickWays(ShapingSettings& s, std::string_view value) {
  std::vector<int> ways;
  for (const std::string& piece : Pieces(value, ',')) {
    std::optional<int> number;
    if (!ParseCount(piece, &number)) return false;
    ways.push_back(*number);
  }
  s.joystick_ways = std::move(ways);
  return true;
}

bool SetMatch(ShapingSettings& s, std::string_view value) {
  if (value.empty() || EqualsNoCase(value, "name-or-crc"))
    return (s.match = RomMatch::kNameOrCrc, true);
  if (EqualsNoCase(value, "name")) return (s.match = RomMatch::kName, true);
  if (EqualsNoCase(value, "crc")) return (s.match = RomMatch::kCrc, true);
  return false;
}

bool SetBiosOptions(ShapingSettings& s, std::string_view value) {
  if (value.empty() || EqualsNoCase(value, "default"))
    return (s.bios_options = BiosOptions::kDefault, true);
  if (EqualsNoCase(value, "all")) return (s.bios_options = BiosOptions::kAll, true);
  return false;
}

bool SetRegions(ShapingSettings& s, std::string_view value) {
  s.regions.clear();
  for (const std::string& rank : Pieces(value, ';')) {
    std::vector<std::string> words = Pieces(rank, '|');
    if (!words.empty()) s.regions.push_back(std::move(words));
  }
  return true;
}

constexpr const char* kBoolValues = "write 1 or 0 (or yes/no, true/false, on/off)";
constexpr const char* kYearValues = "write a year of 4 digits, or nothing for no bound";
constexpr const char* kCountValues = "write a whole number, or nothing for no bound";

struct KeyRule {
  std::string_view section;
  std::string_view name;
  Apply apply;
  const char* allowed;  // what to write instead of a value `apply` refused
};

// clang-format off
constexpr KeyRule kKeys[] = {
    {"Shaping", "Enabled", SetBool<&ShapingSettings::enabled, true>, kBoolValues},
    {"Filters", "HideBIOS", SetBool<&ShapingSettings::hide_bios>, kBoolValues},
    {"Filters", "HideMechanical", SetBool<&ShapingSettings::hide_mechanical>, kBoolValues},
    {"Filters", "HideScreenless", SetBool<&ShapingSettings::hide_screenless>, kBoolValues},
    {"Filters", "HideNotWorking", SetBool<&ShapingSettings::hide_not_working>, kBoolValues},
    {"Filters", "HideImperfect", SetBool<&ShapingSettings::hide_imperfect>, kBoolValues},
    {"Filters", "HideMature", SetBool<&ShapingSettings::hide_mature>, kBoolValues},
    {"Filters", "HideUncategorized", SetBool<&ShapingSettings::hide_uncategorized>, kBoolValues},
    {"Filters", "HideClones", SetBool<&ShapingSettings::hide_clones>, kBoolValues},
    {"Filters", "YearFrom", SetYear<&ShapingSettings::year_from>, kYearValues},
    {"Filters", "YearTo", SetYear<&ShapingSettings::year_to>, kYearValues},
    {"Filters", "HideUnknownYear", SetBool<&ShapingSettings::hide_unknown_year>, kBoolValues},
    {"Filters", "PlayersMin", SetCount<&ShapingSettings::players_min>, kCountValues},
    {"Filters", "PlayersMax", SetCount<&ShapingSettings::players_max>, kCountValues},
    {"Filters", "HideUnknownPlayers", SetBool<&ShapingSettings::hide_unknown_players>, kBoolValues},
    {"Filters", "Orientation", SetOrientation, "write horizontal or vertical, or nothing for both"},
    {"Filters", "ScreenTypes", SetScreenTypes,
     "write raster, vector, lcd or svg, separated by commas, or nothing for all"},
    {"Filters", "ButtonsMax", SetCount<&ShapingSettings::buttons_max>, kCountValues},
    {"Filters", "JoystickWays", SetJoystickWays,
     "write numbers separated by commas, such as 2,4,8, or nothing for any"},
    {"Filters", "HideControls", SetList<&ShapingSettings::hide_controls, ',', true>, ""},
    {"Availability", "AvailableOnly", SetBool<&ShapingSettings::available_only>, kBoolValues},
    {"Availability", "RomPath", SetList<&ShapingSettings::rom_path, ';', false>, ""},
    {"Availability", "Match", SetMatch, "write name-or-crc, name or crc"},
    {"Availability", "BiosOptions", SetBiosOptions, "write default or all"},
    {"Availability", "HideNeedsNoFiles", SetBool<&ShapingSettings::hide_needs_no_files>, kBoolValues},
    {"Availability", "RequireSamples", SetBool<&ShapingSettings::require_samples>, kBoolValues},
    {"Availability", "SamplePath", SetList<&ShapingSettings::sample_path, ';', false>, ""},
    {"BestClone", "OnePerFamily", SetBool<&ShapingSettings::one_per_family>, kBoolValues},
    {"BestClone", "Regions", SetRegions, ""},
    {"BestClone", "AvoidWords", SetList<&ShapingSettings::avoid_words, ';', false>, ""},
    {"BestClone", "KeepCloneOf", SetBool<&ShapingSettings::keep_clone_of>, kBoolValues},
};
// clang-format on

// The sections that hold one entry a line rather than keys; [PreferClone]'s entries are
// parent=clone pairs.
enum class ListSection {
  kNone,
  kHideCategories,
  kShowCategories,
  kPreferClone,
  kAlwaysShow,
  kNeverShow
};
constexpr std::pair<std::string_view, ListSection> kListSections[] = {
    {"HideCategories", ListSection::kHideCategories},
    {"ShowCategories", ListSection::kShowCategories},
    {"PreferClone", ListSection::kPreferClone},
    {"AlwaysShow", ListSection::kAlwaysShow},
    {"NeverShow", ListSection::kNeverShow},
};

// A section of ours, by its name as the file or an option writes it.
struct SectionRef {
  std::string_view name;  // as we spell it; empty for a section that is not ours
  ListSection list = ListSection::kNone;
};

SectionRef FindSection(std::string_view name) {
  for (const KeyRule& key : kKeys) {
    if (EqualsNoCase(key.section, name)) return {key.section};
  }
  for (const auto& [list_name, list] : kListSections) {
    if (EqualsNoCase(list_name, name)) return {list_name, list};
  }
  return {};
}

std::string SectionNames() {
  std::string names;
  std::string_view last;
  for (const KeyRule& key : kKeys) {
    if (key.section != last)
      names += std::string(names.empty() ? "" : ", ") + "[" + std::string(key.section) + "]";
    last = key.section;
  }
  for (const auto& [list_name, list] : kListSections) names += ", [" + std::string(list_name) + "]";
  return names;
}

// Where a setting came from, for its error: the file and line, or "--set" and no line.
struct Origin {
  const std::string& file;
  long line;
};

// Sets `key` of our key section `section` to `raw` (before cleaning), as `written` shows it.
void ApplyKey(ShapingSettings& s, std::string_view section, std::string_view key,
              std::string_view raw, const std::string& written, const Origin& origin) {
  const std::string_view value = CleanValue(raw);
  std::string keys;
  for (const KeyRule& rule : kKeys) {
    if (rule.section != section) continue;
    if (EqualsNoCase(rule.name, key)) {
      if (!rule.apply(s, value))
        throw Error(origin.file, origin.line, written + ": " + rule.allowed);
      return;
    }
    keys += std::string(keys.empty() ? "" : ", ") + std::string(rule.name);
  }
  throw Error(origin.file, origin.line,
              written + ": not a key of [" + std::string(section) + "]; write one of " + keys);
}

// Adds the entry `text` (trimmed, not empty) of list section `list`.
void AddEntry(ShapingSettings& s, ListSection list, std::string_view text, bool replace_pin,
              const Origin& origin) {
  switch (list) {
    case ListSection::kHideCategories:
      s.hide_categories.emplace_back(text);
      return;
    case ListSection::kShowCategories:
      s.show_categories.emplace_back(text);
      return;
    case ListSection::kAlwaysShow:
      s.always_show.emplace_back(text);
      return;
    case ListSection::kNeverShow:
      s.never_show.emplace_back(text);
      return;
    case ListSection::kPreferClone:
      break;
    case ListSection::kNone:
      return;
  }
  const size_t eq = text.find('=');
  const std::string parent(eq == std::string_view::npos ? "" : TrimBlanks(text.substr(0, eq)));
  const std::string clone(eq == std::string_view::npos ? "" : CleanValue(text.substr(eq + 1)));
  if (parent.empty() || clone.empty()) {
    throw Error(origin.file, origin.line,
                std::string(text) + ": write parent=clone, such as sf2=sf2ce");
  }
  auto pin = std::find_if(s.prefer_clone.begin(), s.prefer_clone.end(),
                          [&](const auto& p) { return EqualsNoCase(p.first, parent); });
  // In the file the first pin of a parent wins, as the first of a key does; an option given
  // after the file replaces it.
  if (pin == s.prefer_clone.end()) {
    s.prefer_clone.emplace_back(parent, clone);
  } else if (replace_pin) {
    pin->second = clone;
  }
}

void ReadFile(ShapingSettings& s, const std::string& path) {
  const std::vector<std::string> lines = ReadTextLines(path);
  SectionRef section;
  std::vector<std::pair<std::string, long>> seen;  // our sections read, with their lines
  std::vector<std::string> keys_read;              // of the section in hand, folded
  for (size_t i = 0; i < lines.size(); ++i) {
    const long line_number = static_cast<long>(i) + 1;
    const Origin origin{path, line_number};
    const std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    // A section's name runs to the line's last "]", as in the ini layer.
    const size_t close = line.front() == '[' ? line.rfind(']') : std::string_view::npos;
    if (close != std::string_view::npos && close != 0) {
      section = FindSection(TrimBlanks(line.substr(1, close - 1)));
      keys_read.clear();
      if (section.name.empty()) continue;
      for (const auto& [name, first_line] : seen) {
        if (name == section.name) {
          throw Error(path, line_number,
                      "[" + name + "] comes a second time (first at line " +
                          std::to_string(first_line) + "): keep one [" + name + "] section");
        }
      }
      seen.emplace_back(section.name, line_number);
      continue;
    }
    if (section.name.empty()) continue;  // before the first section, or in another tool's
    if (section.list != ListSection::kNone) {
      AddEntry(s, section.list, line, false, origin);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      throw Error(path, line_number, std::string(line) + ": write KEY=VALUE");
    }
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    const std::string folded = LowerAscii(key);
    if (std::find(keys_read.begin(), keys_read.end(), folded) != keys_read.end()) continue;
    keys_read.push_back(folded);
    ApplyKey(s, section.name, key, line.substr(eq + 1), std::string(line), origin);
  }
}

// SECTION.KEY=VALUE; for a list section SECTION.ENTRY adds the entry.
void ApplyOption(ShapingSettings& s, const std::string& option) {
  static const std::string kOption = "--set";
  const Origin origin{kOption, 0};
  const size_t dot = option.find('.');
  const SectionRef section = FindSection(
      TrimBlanks(std::string_view(option).substr(0, dot == std::string::npos ? 0 : dot)));
  if (section.name.empty()) {
    throw Error(kOption, option + ": write SECTION.KEY=VALUE, such as Filters.HideBIOS=1, with " +
                             "SECTION one of " + SectionNames());
  }
  const std::string_view rest = TrimBlanks(std::string_view(option).substr(dot + 1));
  if (section.list != ListSection::kNone) {
    if (rest.empty())
      throw Error(kOption, option + ": write " + std::string(section.name) + ".ENTRY");
    AddEntry(s, section.list, rest, true, origin);
    return;
  }
  const size_t eq = rest.find('=');
  if (eq == std::string_view::npos) {
    throw Error(kOption, option + ": write SECTION.KEY=VALUE, such as Filters.HideBIOS=1");
  }
  ApplyKey(s, section.name, TrimBlanks(rest.substr(0, eq)), rest.substr(eq + 1), option, origin);
}

}  // namespace

bool ShapingSettings::AnyStepOn() const {
  return hide_bios || hide_mechanical || hide_screenless || hide_not_working || hide_imperfect ||
         hide_mature || hide_uncategorized || hide_clones || year_from || year_to ||
         hide_unknown_year || players_min || players_max || hide_unknown_players ||
         orientation != Orientation::kAny || !screen_types.empty() || buttons_max ||
         !joystick_ways.empty() || !hide_controls.empty() || !hide_categories.empty() ||
         !show_categories.empty() || available_only || one_per_family || !never_show.empty();
}

ShapingSettings ReadShapingSettings(const std::string& path,
                                    const std::vector<std::string>& set_options) {
  ShapingSettings settings;
  settings.file = path;
  ReadFile(settings, path);
  for (const std::string& option : set_options) ApplyOption(settings, option);
  return settings;
}

ShapingSettings ShapingFromOptions(const std::vector<std::string>& set_options) {
  ShapingSettings settings;
  for (const std::string& option : set_options) ApplyOption(settings, option);
  return settings;
}

}  // namespace tabulon
