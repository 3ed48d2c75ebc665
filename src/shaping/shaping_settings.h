// tabulon.ini: what the list shaping leaves out of MAME's games, read with the ini layer's rules
// (names without regard to case, the first of a name wins, values trimmed and one pair of quotes
// taken off), with list sections holding one entry a line.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tabulon {

struct ShapingRequest;  // records/run_state.h

// The file's name in the application folder.
inline constexpr const char* kShapingFileName = "tabulon.ini";

enum class RomMatch { kNameOrCrc, kName, kCrc };
enum class BiosOptions { kDefault, kAll };
enum class Orientation { kAny, kHorizontal, kVertical };

struct ShapingSettings {
  std::string file;  // the file read, as named to the user; empty when none was read
  bool enabled = true;

  // [Filters]
  bool hide_bios = false;
  bool hide_mechanical = false;
  bool hide_screenless = false;
  bool hide_not_working = false;
  bool hide_imperfect = false;
  bool hide_mature = false;
  bool hide_uncategorized = false;
  bool hide_clones = false;
  std::optional<int> year_from, year_to;
  bool hide_unknown_year = false;
  std::optional<int> players_min, players_max;
  bool hide_unknown_players = false;
  Orientation orientation = Orientation::kAny;
  std::vector<std::string> screen_types;  // lower case: raster, vector, lcd, svg; empty = all
  std::optional<int> buttons_max;
  std::vector<int> joystick_ways;          // empty = any
  std::vector<std::string> hide_controls;  // lower case

  // [HideCategories], [ShowCategories]: patterns as written
  std::vector<std::string> hide_categories;
  std::vector<std::string> show_categories;

  // [Availability]
  bool available_only = false;
  std::vector<std::string> rom_path;  // folders as written; empty = MAME's own rompath
  RomMatch match = RomMatch::kNameOrCrc;
  BiosOptions bios_options = BiosOptions::kDefault;
  bool hide_needs_no_files = false;
  bool require_samples = false;
  std::vector<std::string> sample_path;  // empty = MAME's own samplepath

  // [BestClone]
  bool one_per_family = false;
  // Ranks in order; each rank's words (any of which places a description in that rank).
  std::vector<std::vector<std::string>> regions = {
      {"World"}, {"USA", "US"}, {"Europe", "Euro"}, {"Japan"}};
  std::vector<std::string> avoid_words = {"bootleg", "hack", "prototype", "location test", "demo"};
  bool keep_clone_of = false;
  std::vector<std::pair<std::string, std::string>> prefer_clone;  // [PreferClone] parent=clone

  // [AlwaysShow], [NeverShow]: set names
  std::vector<std::string> always_show;
  std::vector<std::string> never_show;

  // Whether any step would leave something out: shaping is active only when enabled and this
  // holds; otherwise every output is what it is without tabulon.ini.
  bool AnyStepOn() const;
  bool Active() const { return enabled && AnyStepOn(); }

  bool operator==(const ShapingSettings&) const = default;
};

// Reads `path` (a missing file is an Error too: callers look first) and then applies the
// command line's SECTION.KEY=VALUE settings in order. A malformed value, an unknown key in a
// known section or a malformed setting throws Error naming the file (or "--set"), the line and
// the values allowed. Unknown sections are left alone (other tools' notes).
ShapingSettings ReadShapingSettings(const std::string& path,
                                    const std::vector<std::string>& set_options);
// The defaults with the command line's settings applied, when there is no file.
ShapingSettings ShapingFromOptions(const std::vector<std::string>& set_options);

// Writes a commented tabulon.ini with every key at its default (every step off) to `path`.
// Throws Error naming the path when it exists already or cannot be written.
void WriteShapingTemplate(const std::string& path);

// Sets [Shaping] Enabled in the file at `path`, keeping everything else in it as it is.
void SetShapingEnabled(const std::string& path, bool enabled);
// [Shaping] Enabled of the file at `path`: false only for a value that says off. A value that
// says neither is left for the run to report. Throws Error when the file cannot be read.
bool ShapingEnabledIn(const std::string& path);

// The settings a run goes by: none (Enabled off) with `ignore`; the request's file, which must
// exist; else tabulon.ini in `app_dir` when it is there; then the request's --set options on top.
// `found` (may be null) tells whether a file was read. Throws Error as ReadShapingSettings does.
ShapingSettings LoadShaping(const std::string& app_dir, const ShapingRequest& request, bool* found);

}  // namespace tabulon
