// The filters of tabulon.ini and the one-per-family choice over 40,000 of MAME's records: real
// records of MAME 0.251's converted lists, repeated under new names in families of eight, with
// every filter on and MAME's facts (every control, mechanical machines) for each set. Prints the
// median of 21 runs. Argument: nplayers.ini (optional; tests/data/catver/nplayers_0.212.ini).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "shaping/shape_steps.h"

using namespace tabulon;

namespace {

struct Form {
  const char *name, *desc, *manu, *year, *cat, *video, *input, *driver, *line;
};

constexpr const char* kYes = "Working Yes Correct Colors Yes Sound Yes Flip Screen Yes";
constexpr const char* kGood = "status good color good sound good )";
// Real forms of MAME 0.251's listinfo.dat, gamelist.dat and catver.ini; the first is the parent.
const Form kForms[] = {
    {"puckman", "Puck Man (Japan set 1)", "Namco", "1980", "Maze / Collect",
     "screen raster orientation vertical x 224 y 288 freq 60.606061",
     "players 2 control joy4way buttons 0 coins 2", kYes, kGood},
    {"pacman", "Pac-Man (Midway)", "Namco (Midway license)", "1980", "Maze / Collect",
     "screen raster orientation vertical x 224 y 288 freq 60.606061",
     "players 2 control joy4way buttons 0 coins 2", kYes, kGood},
    {"005", "005", "Sega", "1981", "Maze / Shooter Small",
     "screen raster orientation vertical x 224 y 256 freq 60.000000",
     "players 2 control joy4way buttons 1 coins 2",
     "Working Yes Correct Colors Yes Sound Partial Flip Screen Yes",
     "status imperfect color good sound imperfect )"},
    {"area51", "Area 51 (R3000)", "Atari Games", "1996", "Shooter / Gun",
     "screen raster orientation horizontal x 360 y 240 freq 59.922743",
     "players 2 control lightgun buttons 1 coins 4", kYes, kGood},
    {"astdelux", "Asteroids Deluxe (rev 3)", "Atari", "1980", "Shooter / Flying Vertical",
     "screen vector orientation horizontal freq 61.523438",
     "players 2 control only_buttons buttons 5 coins 2", kYes, kGood},
    {"3kokushi", "Sankokushi (Japan)", "Mitchell", "1996", "Puzzle / Match * Mature *",
     "screen raster orientation horizontal x 320 y 240 freq 58.944887",
     "players 1 control mahjong buttons 0 coins 1", kYes, kGood},
    {"galaxianbl", "Galaxian (bootleg, set 2)", "bootleg", "198?", "Shooter / Flying Vertical",
     "screen raster orientation vertical x 224 y 768 freq 60.606061",
     "players 2 control joy2way buttons 1 coins 2",
     "Working No Correct Colors Yes Sound Yes Flip Screen Yes",
     "status preliminary color good sound good )"},
    {"kinst", "Killer Instinct (v1.5d)", "Rare / Nintendo", "1994", "Fighter / Versus",
     "screen raster orientation horizontal x 320 y 240 freq 58.944887",
     "players 2 control joy8way buttons 6 coins 4", kYes, kGood},
};

}  // namespace

int main(int argc, char** argv) {
  constexpr size_t kRecords = 40000;
  std::vector<HeldRecord> records;
  StringArena text;
  MameFacts facts;
  facts.known.mechanical = facts.known.controls = true;
  for (size_t i = 0; records.size() < kRecords; ++i) {
    const Form& form = kForms[i % std::size(kForms)];
    const std::string family = std::string(kForms[0].name) + std::to_string(i / std::size(kForms));
    FieldSlots f;
    f.lrom = i % std::size(kForms) == 0 ? family : form.name + std::to_string(i);
    f.LClone = family;
    f.lDesc = form.desc, f.LManu = form.manu, f.lYear = form.year, f.lCat = form.cat;
    f.LVideo = form.video, f.LInput = form.input, f.LDriver = form.driver;

    MachineFacts& machine = facts.Add(f.lrom);
    machine.mechanical = i % 97 == 0;
    std::vector<ControlFact> controls{
        {facts.Keep("joy"), facts.Keep(i % 3 ? "8" : "vertical2"), 2}};
    if (i % 11 == 0) controls.push_back({facts.Keep("keypad"), {}, 12});
    machine.controls = facts.KeepList(controls);
    records.push_back(HoldRecord(f, false, form.line, &text));
  }

  ProfileIni nplayers;
  if (argc > 1) nplayers.Load(argv[1]);
  ShapingSettings s;
  s.hide_bios = s.hide_mechanical = s.hide_screenless = s.hide_not_working = true;
  s.hide_imperfect = s.hide_mature = s.hide_uncategorized = s.hide_unknown_year = true;
  s.year_from = 1978, s.year_to = 1999, s.players_min = 1, s.players_max = 4;
  s.hide_controls = {"mahjong", "hanafuda", "gambling", "keyboard"};
  s.joystick_ways = {2, 4, 8}, s.buttons_max = 8, s.screen_types = {"raster", "vector"};
  s.hide_categories = {"Casino", "Slot Machine", "Tabletop / *", "Quiz / ??????"};
  s.never_show = {"pacman3", "kinst7"}, s.always_show = {"3kokushi5", "galaxianbl6"};
  s.one_per_family = true;
  const FilterContext context{s, &facts, argc > 1 ? &nplayers : nullptr};

  // Wall time, and the process's CPU time, which a busy machine inflates less.
  std::vector<double> wall, cpu;
  size_t kept = 0;
  for (int run = 0; run < 21; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t start_cpu = std::clock();
    std::vector<ShapeStep> verdicts = RunFilters(records, context);
    std::vector<bool> represents;
    KeepOnePerFamily(records, s, &verdicts, &represents);
    cpu.push_back(1000.0 * static_cast<double>(std::clock() - start_cpu) / CLOCKS_PER_SEC);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    kept = static_cast<size_t>(std::count(verdicts.begin(), verdicts.end(), ShapeStep::kKept));
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf(
      "filters and one per family over %zu records (%zu kept): median %.1f ms wall, %.1f ms "
      "CPU; fastest %.1f ms wall (%zu runs)\n",
      records.size(), kept, wall[wall.size() / 2], cpu[cpu.size() / 2], wall[0], wall.size());
  return 0;
}
