// availability_bench: the ROM folders' check over a full folder, side by side with MAME's own
// -verifyroms on the same folder.
//
//   availability_bench LISTXML FOLDER [MAME]
//
// LISTXML is MAME's full -listxml output. FOLDER/roms is filled (once; a later run reuses it)
// with one split zip for every machine that has ROMs of its own, as a ROM manager writes them:
// members of one byte each whose directory carries the sizes and CRC32s of the -listxml, which
// is all that either the check or MAME's -verifyroms reads of a zip. The check is then run
// over every machine twice, each time with a check of its own: the first pass warms the
// system's file cache, the second is measured (wall and CPU); a third pass with the second's
// check, its directories all read, measures the check's own work, and that check's teardown is
// timed on its own. With MAME, `MAME -verifyroms -rompath roms` runs in FOLDER over the same sets
// and its wall time is compared.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mame/mame_facts.h"
#include "platform/error.h"
#include "platform/files.h"
#include "process_usage.h"
#include "shaping/availability.h"

namespace {

using tabulon::MachineFacts;
using tabulon::MameFacts;
using tabulon::RomFact;

void Put(std::string* out, const std::vector<std::pair<uint64_t, int>>& fields) {
  for (const auto& [value, bytes] : fields) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(i < 8 ? value >> (8 * i) : 0));
  }
}

// A zip of the machine's ROMs without merge names, stored, one byte each.
std::string SplitZip(const MameFacts& facts, const MachineFacts& machine) {
  std::string zip, directory;
  size_t count = 0;
  for (const RomFact& rom : machine.roms) {
    if (rom.nodump || !rom.merge.empty()) continue;
    const std::string_view name = facts.Text(rom.name);
    const std::vector<std::pair<uint64_t, int>> fields = {{10, 2},          {0, 4}, {0x210000, 4},
                                                          {rom.crc, 4},     {1, 4}, {rom.size(), 4},
                                                          {name.size(), 2}, {0, 2}};
    Put(&directory, {{0x02014b50, 4}, {20, 2}});
    Put(&directory, fields);
    Put(&directory, {{0, 10}, {zip.size(), 4}});
    directory += name;
    Put(&zip, {{0x04034b50, 4}});
    Put(&zip, fields);
    zip += std::string(name) + "x";
    ++count;
  }
  if (count == 0) return {};
  Put(&directory, {{0x06054b50, 4},
                   {0, 4},
                   {count, 2},
                   {count, 2},
                   {directory.size(), 4},
                   {zip.size(), 4},
                   {0, 2}});
  return zip + directory;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: availability_bench LISTXML FOLDER [MAME]\n");
    return 2;
  }
  try {
    const MameFacts facts = tabulon::ReadFactsFromListXml(argv[1]);
    const std::string folder = argv[2];
    const std::string roms = tabulon::InFolder(folder, "roms");
    if (!tabulon::IsFolder(roms)) {
      std::filesystem::create_directories(tabulon::FsPath(roms));
      size_t written = 0;
      for (size_t i = 0; i < facts.size(); ++i) {
        const std::string zip = SplitZip(facts, facts.at(i));
        if (zip.empty()) continue;
        std::ofstream(
            tabulon::FsPath(tabulon::InFolder(roms, std::string(facts.at(i).name) + ".zip")),
            std::ios::binary)
            << zip;
        ++written;
      }
      std::printf("wrote %zu zips into %s\n", written, roms.c_str());
    }

    tabulon::ShapingSettings settings;
    settings.available_only = true;
    double wall = 0;
    // Passes 0 and 1 each with a check of their own, reading every directory; pass 2 again
    // with pass 1's, whose directories are all read already: the check's own work alone.
    std::unique_ptr<tabulon::AvailabilityCheck> check;
    const char* names[] = {"first", "warm", "read"};
    for (int pass = 0; pass < 3; ++pass) {
      // The previous pass's check goes before the clock starts: its teardown is timed below.
      if (pass < 2) check.reset();
      const double cpu_before = tabulon::bench::OwnUsage().cpu_seconds;
      const auto start = std::chrono::steady_clock::now();
      if (pass < 2)
        check = std::make_unique<tabulon::AvailabilityCheck>(settings, facts, std::vector{roms},
                                                             std::vector<std::string>());
      size_t available = 0, checked = 0;
      std::map<int, std::vector<std::string>> missing;  // by kind: "set (reason)"
      for (size_t i = 0; i < facts.size(); ++i) {
        if (facts.at(i).device) continue;
        ++checked;
        const tabulon::AvailabilityVerdict verdict = check->Check(facts.at(i).name);
        available += verdict.missing == tabulon::Missing::kNone;
        if (verdict.missing != tabulon::Missing::kNone) {
          missing[static_cast<int>(verdict.missing)].push_back(std::string(facts.at(i).name) +
                                                               " (" + verdict.reason + ")");
        }
      }
      const double pass_wall = Since(start);
      const double pass_cpu = tabulon::bench::OwnUsage().cpu_seconds - cpu_before;
      if (pass == 1) wall = pass_wall;
      std::printf("%s pass: %zu of %zu sets available, %.3f s wall, %.3f s CPU\n", names[pass],
                  available, checked, pass_wall, pass_cpu);
      if (pass < 2) continue;
      for (const auto& [kind, sets] : missing) {
        std::printf("  missing kind %d: %zu, e.g. %s\n", kind, sets.size(), sets.front().c_str());
      }
    }
    const double teardown_cpu = tabulon::bench::OwnUsage().cpu_seconds;
    const auto teardown = std::chrono::steady_clock::now();
    check.reset();
    std::printf("teardown of a check: %.3f s wall, %.3f s CPU\n", Since(teardown),
                tabulon::bench::OwnUsage().cpu_seconds - teardown_cpu);
    std::printf("peak RSS %.1f MB\n", tabulon::bench::OwnUsage().peak_rss_mb);

    if (argc == 4) {
      const std::string command =
          "cd '" + folder + "' && '" + argv[3] + "' -verifyroms -rompath roms >verifyroms.txt 2>&1";
      const auto start = std::chrono::steady_clock::now();
      const int status = std::system(command.c_str());
      const double mame = Since(start);
      struct rusage children;
      getrusage(RUSAGE_CHILDREN, &children);
      std::printf(
          "MAME -verifyroms: %.3f s wall, %.3f s CPU (status %d; its output in "
          "%s/verifyroms.txt)\n",
          mame,
          static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
              static_cast<double>(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6,
          status, folder.c_str());
      std::printf("MAME / check: %.1f x\n", mame / wall);
    }
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "availability_bench: error: %s\n", e.what());
    return 1;
  }
  return 0;
}
