// The filters and the one-per-family choice over records in the forms MAME's converted lists
// give them (listinfo.dat's fields, the gamelist's status text, catver.ini's categories).
#include "shaping/shape_steps.h"

#include <gtest/gtest.h>

#include <functional>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using S = ShapeStep;
using V = std::vector<std::string>;
using N = std::optional<int>;
using Set = std::function<void(ShapingSettings&)>;
constexpr const char* kGood = "Working Yes Correct Colors Yes Sound Yes Flip Screen No";
constexpr const char* kNo = "Working No Correct Colors No Sound Partial Flip Screen Yes";
constexpr const char* kVertical = "screen raster orientation vertical x 224 y 288 freq 60.606061";
constexpr const char* kWide = "screen raster orientation horizontal x 320 y 240 freq 58.944887";
constexpr const char* kVector = "screen vector orientation horizontal freq 61.523438";
constexpr const char* kJoy8 = "players 1 control joy8way buttons 2 coins 1";
constexpr S k = S::kKept, x = S::kFamily, c = S::kCategories, y = S::kYear, p = S::kPlayers;

struct R {
  std::string name = "pacman", clone = "puckman", cat = "Maze / Collect", year = "1980";
  std::string driver = kGood, video = kVertical, input = kJoy8, desc = "Pac-Man (Midway)";
  std::string manu = "Namco", line = "";
  bool resource = false;
};

// clang-format off
HeldRecord Held(const R& r) {
  static StringArena text;  // the records' texts, for the whole test program
  return HoldRecord({r.name, r.desc, r.year, r.manu, r.clone, "MAME", r.cat, "0.30", r.driver,
                     r.video, r.input, "pacman"}, r.resource, r.line, &text);
}

S Verdict(const R& r, const Set& set, const MameFacts* facts = nullptr,
          const ProfileIni* nplayers = nullptr) {
  ShapingSettings settings;
  set(settings);
  return RunFilters({Held(r)}, {settings, facts, nplayers}).at(0);
}

TEST(ShapeFilters, CategoriesAndMatureMarker) {
  const S m = S::kMature;
  const char* sfv = "Shooter / Flying Vertical";
  const std::tuple<const char*, bool, bool, V, V, S> rows[] = {
      {"Puzzle / Match * Mature *", 1, 0, {}, {}, m}, {"Maze *MATURE*", 1, 0, {"maze"}, {}, m},
      {"Tabletop / Mahjong *Mature*", 0, 0, {"TABLETOP / mahjong"}, {}, c}, {"TLTC", 0, 1, {}, {}, c},
      {"Maze / Collect", 0, 0, {"Maze"}, {}, c}, {"Mazes / Collect", 0, 0, {"Maze"}, {}, k},
      {sfv, 0, 0, {"shooter / *vert?cal"}, {}, c}, {sfv, 0, 0, {"shooter*flying"}, {}, k},
      {sfv, 0, 0, {}, {"Maze", "Shooter"}, k}, {"Maze / Collect * Mature *", 0, 0, {}, {"shooter"}, c},
      {"???? / ????", 0, 1, {}, {}, c}, {"????/????", 0, 1, {}, {}, c}};
  for (const auto& [cat, mature, uncategorized, hide, show, want] : rows)
    EXPECT_EQ(Verdict({.cat = cat}, [&, mature = mature, hide = hide, show = show, uncategorized = uncategorized](auto& s) { s.hide_mature = mature, s.hide_categories = hide,
              s.show_categories = show, s.hide_uncategorized = uncategorized; }), want) << cat;
}

TEST(ShapeFilters, YearRanges) {
  const std::tuple<const char*, N, N, bool, S> rows[] = {
      {"1980", 1981, {}, 0, y}, {"1981", 1981, 1981, 0, k}, {"198?", 1989, 1995, 0, k},
      {"198?", 1990, {}, 0, y}, {"19??", {}, 1899, 0, y}, {"1985?", 1985, 1985, 0, k},
      {"????", 1980, {}, 0, k}, {"????", {}, {}, 1, y}, {"19xx", {}, {}, 1, y}, {"198", {}, {}, 1, y}};
  for (const auto& [year, from, to, hide_unknown, want] : rows)
    EXPECT_EQ(Verdict({.year = year}, [&, from = from, to = to, hide_unknown = hide_unknown](auto& s) { s.year_from = from, s.year_to = to,
              s.hide_unknown_year = hide_unknown; }), want) << year << " " << from.value_or(0);
}

// nplayers.ini's largest count for the set or else its parent, and MAME's own count only for a
// set the file does not know.
TEST(ShapeFilters, PlayersFromNplayersThenMame) {
  ProfileIni nplayers;
  nplayers.Load(testing::TestData("catver/nplayers_0.212.ini"));
  const std::tuple<const char*, const char*, const char*, N, N, bool, S> rows[] = {
      {"claychal", "claychal", "players 2 control only_buttons buttons 1 coins 2", {}, 5, 0, p},
      {"88games", "88games", "players 4 control only_buttons buttons 3 coins 4", 4, 4, 0, k},
      {"tmntz", "TMNT", kJoy8, 3, {}, 0, k}, {"neogeo", "neogeo", "na", {}, {}, 0, k},
      {"j6pacman", "j6pacman", "players 1 control only_buttons buttons 4 coins 1", {}, {}, 1, p},
      {"newset", "newset", "players 3 control joy8way buttons 2 coins 3", {}, 2, 0, p},
      {"newset", "newset", "players 0 buttons 0", 1, {}, 1, p}};
  for (const auto& [name, clone, input, min, max, hide_unknown, want] : rows)
    EXPECT_EQ(Verdict({.name = name, .clone = clone, .input = input}, [&, min = min, max = max, hide_unknown = hide_unknown](auto& s) {
      s.players_min = min, s.players_max = max, s.hide_unknown_players = hide_unknown; },
      nullptr, &nplayers), want) << name;
}

// Every control MAME knows when the facts have them, else the one of the input field; and the
// steps that read one field each, each record counted by the first step that leaves it out:
// NeverShow before everything, AlwaysShow past every later step.
TEST(ShapeFilters, ControlsScreenDriverMachineAndExemptions) {
  MameFacts facts;
  facts.known.controls = facts.known.mechanical = true;
  facts.Add("slots").mechanical = true;
  using Controls = std::vector<ControlFact>;
  facts.Add("jp2ways").controls = facts.KeepList(Controls{{"joy", "vertical2", 1}});
  facts.Add("half8").controls = facts.KeepList(Controls{{"joy", "5 (half8)", 2}, {"mahjong", "", 0}});
  facts.Add("doubles").controls =
      facts.KeepList(Controls{{"doublejoy", "8", 1}, {"doublejoy", "8", 6}});
  const S n = S::kControls;
  const std::tuple<const char*, const char*, V, std::vector<int>, N, S> controls[] = {
      {"pacman", "players 2 control joy4way buttons 0 coins 2", {}, {8}, {}, n},
      {"mj", "players 1 control mahjong buttons 0 coins 1", {"keypad", "Mahjong"}, {}, {}, n},
      {"sf2", "players 2 control joy8way buttons 6 coins 2", {}, {}, 4, n},
      {"jp2ways", kJoy8, {}, {2}, 1, k}, {"half8", kJoy8, {}, {5}, 2, k},
      {"half8", kJoy8, {}, {8}, {}, n}, {"half8", kJoy8, {"mahjong"}, {}, {}, n},
      {"doubles", kJoy8, {}, {}, 5, n}, {"dummy", "players 0 buttons 0", {"mahjong"}, {8}, 0, k}};
  for (const auto& [name, input, hide, ways, buttons, want] : controls)
    EXPECT_EQ(Verdict({.name = name, .input = input}, [&, hide = hide, ways = ways, buttons = buttons](auto& s) { s.hide_controls = hide,
              s.joystick_ways = ways, s.buttons_max = buttons; }, &facts), want) << name << input;
  const char *imperfect = "status imperfect color imperfect sound imperfect )", *h = "hangly";
  const Set all = [](ShapingSettings& s) {
    s.hide_bios = s.hide_screenless = s.hide_clones = s.hide_mature = s.hide_unknown_year = true;
    s.hide_not_working = s.hide_imperfect = s.hide_mechanical = true, s.screen_types = {"RASTER"};
    s.orientation = Orientation::kHorizontal, s.never_show = {"PUCKMAN", "galaxian"};
    s.always_show = {"Pacman", "galaxian"};
  };
  const std::pair<R, S> rows[] = {
      {{.cat = "Maze * Mature *", .year = "????", .driver = kNo, .video = kVector}, S::kKept},
      {{.name = "galaxian", .clone = "galaxian"}, S::kNeverShow}, {{.name = "puckman", .resource = true}, S::kNeverShow},
      {{.name = "neogeo", .clone = "neogeo", .video = "na", .resource = true}, S::kBios},
      {{.name = "slots", .clone = "slots", .video = "na"}, S::kMechanical},
      {{.name = h, .driver = kNo, .video = "na"}, S::kScreenless},
      {{.name = h, .driver = "Working No(1) Correct Colors Yes Sound Yes Flip Screen Yes"}, S::kNotWorking},
      {{.name = h, .line = imperfect}, S::kImperfect},
      {{.name = h, .cat = "Maze * Mature *", .year = "????"}, S::kMature},
      {{.name = h, .year = "????"}, S::kYear}, {{.name = h}, S::kScreen},
      {{.name = h, .video = kVector}, S::kScreen}, {{.name = h, .video = kWide}, S::kClones},
      {{.name = "mspacman", .clone = "MSPACMAN", .video = kWide}, S::kKept}};
  for (const auto& [r, want] : rows) EXPECT_EQ(Verdict(r, all, &facts), want) << r.name << r.video;
  for (const R& r : {R{.line = imperfect}, R{.driver = "", .line = "status preliminary )", .resource = true}})
    EXPECT_EQ(Verdict(r, [](auto& s) { s.hide_not_working = true; }), k) << r.line;
  EXPECT_EQ(Verdict({.video = "na"}, [](auto& s) { s.orientation = Orientation::kVertical,
            s.screen_types = {"lcd"}; }), S::kKept);
}

// One family per case, each decided at one level of the sort with the levels above it tied.
TEST(ShapeFamily, SortWithATieAtEachLevel) {
  // The parent is "galaxian"; every other name is a clone of it.
  auto g = [](const char* name, const char* desc, const char* manu = "Namco", const char* driver = kGood,
              const char* line = "") {
    return R{.name = name, .clone = "galaxian", .driver = driver, .desc = desc, .manu = manu, .line = line};
  };
  const R parent = g("galaxian", "Galaxian (Namco set 1)");
  const char *pre = "status preliminary )", *gx = "galaxian", *j = "G (Japan)";
  const std::tuple<std::vector<R>, Set, std::vector<S>> cases[] = {
      {{parent, g("galaxbsf", "Galaxian (bootleg)")},
       [](auto& s) { s.prefer_clone = {{"Galaxian", "GALAXBSF"}}; }, {x, k}},
      // Driver status: good, imperfect, preliminary, then anything else.
      {{g(gx, "G", "", kNo), g("galaxa", "Galaxian (bootleg)")}, {}, {x, k}},
      {{g(gx, "G", "", "", pre), g("galaxa", "G", "", "", "status imperfect )")}, {}, {x, k}},
      {{g(gx, "G", "", ""), g("galaxa", "G", "", "", pre)}, {}, {x, k}},
      // Avoided words, whole words only, in the description or the manufacturer.
      {{parent, g("galaxt", "G (Taito)")}, [](auto& s) { s.avoid_words = {"NAMCO set"}; }, {x, k}},
      {{g("galaxa", "G (Midway)", "Midway hack"), g("galaxb", "G (Midway)")}, {}, {x, k}},
      {{g("galaxa", "G (bootlegs)", "hacks inc"), g("galaxb", "G (Midway)")}, {}, {k, x}},
      // Regions from the first "(" on: none ranks first for the parent, last for a clone.
      {{parent, g("galaxw", "G (World)")}, {}, {k, x}}, {{g("galaxj", j), g("galaxu", "G (US, Namco)")}, {}, {x, k}},
      {{g("galaxa", "G (Russia)"), g("galaxz", j)}, {}, {x, k}},
      {{g("galaxc", "Japan G"), g("galaxb", "G (Japanese)"), g("galaxa", "G (Euro)")},
       [](auto& s) { s.regions = {{"World"}, {"Japan"}}; }, {x, x, k}},
      // Parent before clone, then the set names in byte order.
      {{g("galaxj", j), g(gx, j)}, {}, {x, k}}, {{g("galaxb", j), g("galaxa", j), g("galaxB", j)}, {}, {x, x, k}},
      {{parent, g("galaxb", "b"), g("galaxa", "a")}, [](auto& s) { s.always_show = {"galaxa", "GALAXB"}; },
       {x, k, k}}};
  for (const auto& [family, set, want_family] : cases) {
    std::vector<HeldRecord> records;
    // A clone alone in its family, and one a filter left out already.
    for (const R& r : family) records.push_back(Held(r));
    for (const R& r : {R{}, g("galaxnot", j)}) records.push_back(Held(r));
    ShapingSettings settings;
    settings.one_per_family = true;
    if (set) set(settings);
    std::vector<S> verdicts(records.size(), k), want = want_family;
    verdicts.back() = S::kYear, want.insert(want.end(), {k, S::kYear});
    std::vector<bool> represents;
    KeepOnePerFamily(records, settings, &verdicts, &represents);
    EXPECT_EQ(verdicts, want) << family[0].name << " " << family[1].desc;
    const bool one = std::count(want_family.begin(), want_family.end(), k) == 1;
    for (size_t i = 0; i < records.size(); ++i)  // a clone that is all that is left of its family
      EXPECT_EQ(represents[i], want[i] == k && (i >= family.size() || (one && family[i].name != gx)));
  }
}
// clang-format on

}  // namespace
}  // namespace tabulon
