// The filters and the one-per-family choice over records in the forms MAME's converted lists
// give them (listinfo.dat's fields, the gamelist's status text, catver.ini's categories).
#include "shaping/shape_steps.h"

#include <gtest/gtest.h>

#include <functional>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using S = ShapeStep;
using Settings = std::function<void(ShapingSettings&)>;
constexpr const char* kGood = "Working Yes Correct Colors Yes Sound Yes Flip Screen No";
constexpr const char* kVertical = "screen raster orientation vertical x 224 y 288 freq 60.606061";

struct R {
  std::string name = "pacman", clone = "puckman", cat = "Maze / Collect", year = "1980";
  std::string driver = kGood, video = kVertical,
              input = "players 2 control joy4way buttons 0 coins 2";
  std::string desc = "Pac-Man (Midway)", manu = "Namco (Midway license)", line = "";
  bool resource = false;
};

HeldRecord Held(const R& r) {
  HeldRecord held;
  FieldSlots& f = held.slots;
  f.lrom = r.name, f.LClone = r.clone, f.lCat = r.cat, f.lYear = r.year, f.LDriver = r.driver;
  f.LVideo = r.video, f.LInput = r.input, f.lDesc = r.desc, f.LManu = r.manu;
  held.driver_line = r.line, held.resource = r.resource;
  return held;
}

S Verdict(const R& r, const Settings& set, const MameFacts* facts = nullptr,
          const ProfileIni* nplayers = nullptr) {
  ShapingSettings settings;
  set(settings);
  return RunFilters({Held(r)}, {settings, facts, nplayers}).at(0);
}

TEST(ShapeFilters, CategoriesAndMatureMarker) {
  struct Row {
    const char* cat;
    bool mature, uncategorized;
    std::vector<std::string> hide, show;
    S want;
  } rows[] = {
      {"Puzzle / Match * Mature *", true, false, {}, {}, S::kMature},
      {"Maze / Collect *MATURE*", true, false, {"maze"}, {}, S::kMature},
      {"Tabletop / Mahjong *Mature*", false, false, {"TABLETOP / mahjong"}, {}, S::kCategories},
      {"Maze / Collect", false, false, {"Maze"}, {}, S::kCategories},
      {"Mazes / Collect", false, false, {"Maze"}, {}, S::kKept},
      {"Maze / Collect", false, false, {"Maze / Coll"}, {}, S::kKept},
      {"Shooter / Flying Vertical", false, false, {"shooter / *vert?cal"}, {}, S::kCategories},
      {"Shooter / Flying Vertical", false, false, {"shooter*flying"}, {}, S::kKept},
      {"Shooter / Flying Vertical", false, false, {}, {"Maze", "Shooter"}, S::kKept},
      {"Maze / Collect * Mature *", false, false, {}, {"shooter"}, S::kCategories},
      {"TLTC", false, true, {}, {}, S::kCategories},
      {"???? / ????", false, true, {}, {}, S::kCategories},
      {"????/????", false, true, {}, {}, S::kCategories},
      {"TLTC", true, false, {}, {}, S::kKept},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Verdict({.cat = row.cat},
                      [&](ShapingSettings& s) {
                        s.hide_mature = row.mature, s.hide_uncategorized = row.uncategorized;
                        s.hide_categories = row.hide, s.show_categories = row.show;
                      }),
              row.want)
        << row.cat;
  }
}

TEST(ShapeFilters, YearRanges) {
  struct Row {
    const char* year;
    std::optional<int> from, to;
    bool hide_unknown;
    S want;
  } rows[] = {
      {"1980", 1981, {}, false, S::kYear},    {"1981", 1981, 1981, false, S::kKept},
      {"198?", 1989, 1995, false, S::kKept},  {"198?", 1990, {}, false, S::kYear},
      {"19??", {}, 1899, false, S::kYear},    {"19??", 1999, {}, false, S::kKept},
      {"1985?", 1985, 1985, false, S::kKept}, {"2001", {}, 2000, false, S::kYear},
      {"????", 1980, {}, false, S::kKept},    {"????", {}, {}, true, S::kYear},
      {"19xx", {}, {}, true, S::kYear},       {"198", {}, {}, true, S::kYear},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Verdict({.year = row.year},
                      [&](ShapingSettings& s) {
                        s.year_from = row.from, s.year_to = row.to;
                        s.hide_unknown_year = row.hide_unknown;
                      }),
              row.want)
        << row.year << " " << row.from.value_or(0) << "-" << row.to.value_or(0);
  }
}

// nplayers.ini's largest count for the set or else its parent, and MAME's own count only for a
// set the file does not know.
TEST(ShapeFilters, PlayersFromNplayersThenMame) {
  ProfileIni nplayers;
  nplayers.Load(testing::TestData("catver/nplayers_0.212.ini"));
  struct Row {
    const char *name, *clone, *input;
    std::optional<int> min, max;
    bool hide_unknown;
    S want;
  } rows[] = {
      {"claychal",
       "claychal",
       "players 2 control only_buttons buttons 1 coins 2",
       {},
       5,
       false,
       S::kPlayers},
      {"88games", "88games", "players 4 control only_buttons buttons 3 coins 4", 4, 4, false,
       S::kKept},
      {"tmntz", "TMNT", "players 1 control joy8way buttons 2 coins 1", 3, {}, false, S::kKept},
      {"j6pacman",
       "j6pacman",
       "players 1 control only_buttons buttons 4 coins 1",
       {},
       {},
       true,
       S::kPlayers},
      {"neogeo", "neogeo", "na", {}, {}, false, S::kKept},
      {"newset",
       "newset",
       "players 3 control joy8way buttons 2 coins 3",
       {},
       2,
       false,
       S::kPlayers},
      {"newset", "newset", "players 0 buttons 0", 1, {}, true, S::kPlayers},
      {"newset", "newset", "na", 1, {}, false, S::kKept},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Verdict(
                  {.name = row.name, .clone = row.clone, .input = row.input},
                  [&](ShapingSettings& s) {
                    s.players_min = row.min, s.players_max = row.max;
                    s.hide_unknown_players = row.hide_unknown;
                  },
                  nullptr, &nplayers),
              row.want)
        << row.name << " " << row.input;
  }
}

// Every control MAME knows when the facts have them, else the one of the input field.
TEST(ShapeFilters, ControlsAndJoystickWays) {
  MameFacts facts;
  facts.known.controls = true;
  auto add = [&](const char* name, std::vector<ControlFact> controls) {
    for (ControlFact& c : controls) c.type = facts.Keep(c.type), c.ways = facts.Keep(c.ways);
    facts.Add(facts.Keep(name)).controls = std::move(controls);
  };
  add("jp2ways", {{"joy", "vertical2", 1}});
  add("half8", {{"joy", "5 (half8)", 2}, {"mahjong", "", 0}});
  add("doubles", {{"doublejoy", "8", 1}, {"doublejoy", "8", 6}});
  struct Row {
    const char *name, *input;
    std::vector<std::string> hide;
    std::vector<int> ways;
    std::optional<int> buttons;
    S want;
  } rows[] = {
      {"pacman", "players 2 control joy4way buttons 0 coins 2", {}, {8}, {}, S::kControls},
      {"pacman", "players 2 control joy4way buttons 0 coins 2", {"keypad"}, {4, 8}, 0, S::kKept},
      {"mj",
       "players 1 control mahjong buttons 0 coins 1",
       {"keypad", "Mahjong"},
       {},
       {},
       S::kControls},
      {"sf2", "players 2 control joy8way buttons 6 coins 2", {}, {}, 4, S::kControls},
      {"jp2ways", "players 1 control joy8way buttons 1 coins 1", {}, {2}, 1, S::kKept},
      {"half8", "players 1 control joy8way buttons 2 coins 1", {}, {5}, 2, S::kKept},
      {"half8", "players 1 control joy8way buttons 2 coins 1", {}, {8}, {}, S::kControls},
      {"half8", "players 1 control joy8way buttons 2 coins 1", {"mahjong"}, {}, {}, S::kControls},
      {"doubles", "players 2 control doublejoy8way buttons 1 coins 1", {}, {}, 5, S::kControls},
      {"dummy", "players 0 buttons 0", {"mahjong"}, {8}, 0, S::kKept},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Verdict(
                  {.name = row.name, .input = row.input},
                  [&](ShapingSettings& s) {
                    s.hide_controls = row.hide, s.joystick_ways = row.ways;
                    s.buttons_max = row.buttons;
                  },
                  &facts),
              row.want)
        << row.name << " " << row.input;
  }
}

TEST(ShapeFilters, ScreenDriverStatusAndMachine) {
  constexpr const char* kImperfect =
      "Working Yes Correct Colors Close Sound Partial Flip Screen Yes";
  constexpr const char* kVector = "screen vector orientation horizontal freq 61.523438";
  MameFacts facts;
  facts.known.mechanical = true;
  facts.Add("slots").mechanical = true;
  struct Row {
    R r;
    Settings set;
    S want;
  } rows[] = {
      {{}, [](auto& s) { s.orientation = Orientation::kHorizontal; }, S::kScreen},
      {{.video = kVector}, [](auto& s) { s.orientation = Orientation::kHorizontal; }, S::kKept},
      {{.video = kVector},
       [](auto& s) {
         s.screen_types = {"raster", "lcd"};
       },
       S::kScreen},
      {{.video = kVector},
       [](auto& s) {
         s.screen_types = {"lcd", "vector"};
       },
       S::kKept},
      {{.video = "na"},
       [](auto& s) { s.screen_types = {"lcd"}, s.orientation = Orientation::kVertical; },
       S::kKept},
      {{.video = "na"}, [](auto& s) { s.hide_screenless = true; }, S::kScreenless},
      {{.driver = "Working No Correct Colors No Sound Partial Flip Screen Yes"},
       [](auto& s) { s.hide_not_working = true; },
       S::kNotWorking},
      {{.driver = "Working No(1) Correct Colors Yes Sound Yes Flip Screen Yes"},
       [](auto& s) { s.hide_not_working = true; },
       S::kNotWorking},
      {{.driver = kImperfect, .line = "status imperfect color imperfect sound imperfect )"},
       [](auto& s) { s.hide_imperfect = true; },
       S::kImperfect},
      {{.driver = kImperfect, .line = "status imperfect color imperfect sound imperfect )"},
       [](auto& s) { s.hide_not_working = true; },
       S::kKept},
      {{.driver = "", .line = "status preliminary color good sound good )", .resource = true},
       [](auto& s) { s.hide_not_working = true; },
       S::kKept},
      {{.name = "slots"}, [](auto& s) { s.hide_mechanical = true; }, S::kMechanical},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Verdict(row.r, row.set, &facts), row.want) << row.r.video << row.r.line;
  EXPECT_EQ(Verdict(
                {.name = "slots"}, [](auto& s) { s.hide_mechanical = true; }, nullptr),
            S::kKept);
}

// NeverShow before everything, AlwaysShow past every later filter, and each record counted by
// the first step that leaves it out.
TEST(ShapeFilters, ExemptionsAndOrder) {
  const Settings all = [](ShapingSettings& s) {
    s.hide_bios = s.hide_screenless = s.hide_clones = s.hide_mature = s.hide_unknown_year = true;
    s.never_show = {"PUCKMAN", "galaxian"};
    s.always_show = {"Pacman", "galaxian"};
  };
  struct Row {
    R r;
    S want;
  } rows[] = {
      {{.cat = "Maze * Mature *", .year = "????", .video = "na"}, S::kKept},
      {{.name = "galaxian", .clone = "galaxian"}, S::kNeverShow},
      {{.name = "puckman", .clone = "puckman", .resource = true}, S::kNeverShow},
      {{.name = "neogeo", .clone = "neogeo", .video = "na", .resource = true}, S::kBios},
      {{.name = "hangly", .cat = "Maze * Mature *", .video = "na"}, S::kScreenless},
      {{.name = "hangly", .year = "????"}, S::kYear},
      {{.name = "hangly"}, S::kClones},
      {{.name = "mspacman", .clone = "MSPACMAN"}, S::kKept},
  };
  for (const Row& row : rows) EXPECT_EQ(Verdict(row.r, all), row.want) << row.r.name;
}

// One family per case; each case decides at one level of the sort, the levels above it tied.
TEST(ShapeFamily, SortWithATieAtEachLevel) {
  constexpr const char* kNo = "Working No Correct Colors No Sound No Flip Screen Yes";
  const R parent{
      .name = "galaxian", .clone = "galaxian", .desc = "Galaxian (Namco set 1)", .manu = "Namco"};
  auto clone = [](const char* name, const char* desc, const char* manu = "Namco") {
    return R{.name = name, .clone = "galaxian", .desc = desc, .manu = manu};
  };
  auto parent_as = [&](const char* desc, const char* driver, const char* line = "") {
    return R{.name = "galaxian", .clone = "galaxian", .driver = driver, .desc = desc, .line = line};
  };
  struct Case {
    std::vector<R> family;
    Settings set;
    std::vector<S> want;
  } cases[] = {
      // The pin first, over an avoided word.
      {{parent, clone("galaxbsf", "Galaxian (bootleg, set 1)")},
       [](auto& s) {
         s.prefer_clone = {{"Galaxian", "GALAXBSF"}};
       },
       {S::kFamily, S::kKept}},
      // Driver status: good, imperfect, preliminary, then anything else.
      {{parent_as("Galaxian", kNo), clone("galaxiana", "Galaxian (bootleg)")},
       {},
       {S::kFamily, S::kKept}},
      {{parent_as("Galaxian", "", "status preliminary )"),
        {.name = "galaxa", .clone = "galaxian", .line = "status imperfect )"}},
       {},
       {S::kFamily, S::kKept}},
      {{parent_as("Galaxian", ""),
        {.name = "galaxa", .clone = "galaxian", .line = "status preliminary )"}},
       {},
       {S::kFamily, S::kKept}},
      // Avoided words, whole words only, in the description or the manufacturer.
      {{parent, clone("galaxiant", "Galaxian (Taito)")},
       [](auto& s) { s.avoid_words = {"NAMCO set"}; },
       {S::kFamily, S::kKept}},
      {{clone("galaxa", "Galaxian (Midway)", "Midway hack"), clone("galaxb", "Galaxian (Midway)")},
       {},
       {S::kFamily, S::kKept}},
      {{clone("galaxa", "Galaxian (bootlegs)", "hacks inc"), clone("galaxb", "Galaxian (Midway)")},
       {},
       {S::kKept, S::kFamily}},
      // Regions from the first "(" on: none ranks first for the parent, last for a clone.
      {{parent, clone("galaxw", "Galaxian (World)")}, {}, {S::kKept, S::kFamily}},
      {{clone("galaxj", "Galaxian (Japan)"), clone("galaxu", "Galaxian (US, Namco)")},
       {},
       {S::kFamily, S::kKept}},
      {{clone("galaxa", "Galaxian (Russia)"), clone("galaxz", "Galaxian (Japan)")},
       {},
       {S::kFamily, S::kKept}},
      {{clone("galaxc", "Japan Galaxian"), clone("galaxb", "Galaxian (Japanese)"),
        clone("galaxa", "Galaxian (Euro)")},
       [](auto& s) {
         s.regions = {{"World"}, {"Japan"}};
       },
       {S::kFamily, S::kFamily, S::kKept}},
      // Parent before clone, then the set names in byte order.
      {{clone("galaxj", "Galaxian (Japan)"), parent_as("Galaxian (Japan)", kGood)},
       {},
       {S::kFamily, S::kKept}},
      {{clone("galaxb", "Galaxian (Japan)"), clone("galaxa", "Galaxian (Japan)"),
        clone("galaxB", "Galaxian (Japan)")},
       {},
       {S::kFamily, S::kFamily, S::kKept}},
      // AlwaysShow members alone.
      {{parent, clone("galaxb", "Galaxian (b)"), clone("galaxa", "Galaxian (a)")},
       [](auto& s) {
         s.always_show = {"galaxa", "GALAXB"};
       },
       {S::kFamily, S::kKept, S::kKept}},
  };
  for (size_t c = 0; c < std::size(cases); ++c) {
    const Case& k = cases[c];
    std::vector<HeldRecord> records;
    for (const R& r : k.family) records.push_back(Held(r));
    records.push_back(Held({.name = "pacman", .clone = "PUCKMAN"}));     // alone for its family
    records.push_back(Held({.name = "galaxnot", .clone = "galaxian"}));  // left out already
    ShapingSettings settings;
    settings.one_per_family = true;
    if (k.set) k.set(settings);
    std::vector<S> verdicts(records.size(), S::kKept), want = k.want;
    verdicts.back() = S::kYear;
    want.insert(want.end(), {S::kKept, S::kYear});
    std::vector<bool> represents;
    KeepOnePerFamily(records, settings, &verdicts, &represents);
    EXPECT_EQ(verdicts, want) << "case " << c;
    const bool one = std::count(k.want.begin(), k.want.end(), S::kKept) == 1;
    for (size_t i = 0; i < k.family.size(); ++i) {
      EXPECT_EQ(represents[i], one && want[i] == S::kKept && k.family[i].name != "galaxian") << c;
    }
    EXPECT_TRUE(represents[k.family.size()]);
  }
}

}  // namespace
}  // namespace tabulon
