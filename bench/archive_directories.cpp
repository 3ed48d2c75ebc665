// archive_directories: the directories of a full ROM folder's zips, read as the check of what the
// owner has reads them (member by member, the folder held open). Makes FOLDER (once) with COUNT
// zips of ten one-byte members each, reads every directory once to warm the cache, then times
// five rounds and prints each round's wall and CPU time per zip and in all.
//
//   archive_directories [FOLDER [COUNT]]     (default /tmp/tabulon-bench-roms, 40000)

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/archive_directory.h"
#include "platform/error.h"
#include "process_usage.h"

namespace {

std::string ZipName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "set%05d.zip", i);
  return name;
}

// Ten members "setNNNNN.1" ... of one byte each, deflated as a ROM manager leaves them.
void MakeZip(const std::string& path, int i) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (zip == nullptr) throw tabulon::Error(path, "cannot be made");
  static const char kByte[] = {'\x5a'};
  for (int m = 0; m < 10; ++m) {
    zip_source_t* source = zip_source_buffer(zip, kByte, 1, 0);
    char name[32];
    std::snprintf(name, sizeof name, "set%05d.%d", i, m);
    if (source == nullptr || zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(source);
      throw tabulon::Error(path, zip_strerror(zip));
    }
  }
  if (zip_close(zip) != 0) throw tabulon::Error(path, zip_strerror(zip));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp/tabulon-bench-roms";
  const int count = argc > 2 ? std::stoi(argv[2]) : 40000;
  try {
    std::filesystem::create_directories(folder);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      names.push_back(ZipName(i));
      const std::string path = folder + "/" + names.back();
      if (!std::filesystem::exists(path)) MakeZip(path, i);
    }
    // Each directory as the check reads it: member by member, from the folder held open.
    const tabulon::ArchiveFolder archives(folder);
    size_t members = 0;
    const auto read_all = [&] {
      for (const std::string& name : names) {
        archives.Read(name, [&members](const tabulon::MemberView&) { ++members; });
      }
    };
    read_all();
    if (members != names.size() * 10) throw tabulon::Error(folder, "wrong number of members");
    std::printf("%d zips in %s, warm cache\n", count, folder.c_str());
    for (int round = 1; round <= 5; ++round) {
      const double cpu_before = tabulon::bench::OwnUsage().cpu_seconds;
      const auto start = std::chrono::steady_clock::now();
      read_all();
      const double wall =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const double cpu = tabulon::bench::OwnUsage().cpu_seconds - cpu_before;
      std::printf("round %d: wall %.3f s (%.1f us a zip), CPU %.3f s (%.1f us a zip)\n", round,
                  wall, wall * 1e6 / count, cpu, cpu * 1e6 / count);
    }
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "archive_directories: %s\n", e.what());
    return 1;
  }
  return 0;
}
