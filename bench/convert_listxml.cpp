// convert_listxml_bench: times one -listxml conversion into a fresh temporary folder (removed
// afterwards) and reports the counts, the wall time and the process's peak resident memory.
// Compare with expat_pass on the same file. With OUT_DIR, the lists are written there and kept,
// to compare the lists of two conversions.
//
//   convert_listxml_bench FILE [OUT_DIR]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mame/listxml_converter.h"
#include "platform/error.h"
#include "process_usage.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: convert_listxml_bench FILE [OUT_DIR]\n");
    return 2;
  }
  const bool keep = argc == 3;
  std::string out_dir =
      keep ? argv[2] : (std::filesystem::temp_directory_path() / "listxml-bench-XXXXXX").string();
  if (keep) {
    std::filesystem::create_directories(out_dir);
  } else if (mkdtemp(out_dir.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }

  int status = 0;
  try {
    const auto start = std::chrono::steady_clock::now();
    tabulon::ListXmlCounts counts = tabulon::ConvertListXmlFile(argv[1], out_dir);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const tabulon::bench::ProcessUsage usage = tabulon::bench::OwnUsage();
    std::printf(
        "conversion: %zu games, %zu resources, %zu devices skipped, %.3f s wall, "
        "%.3f s CPU, peak RSS %.1f MB\n",
        counts.games, counts.resources, counts.devices, seconds.count(), usage.cpu_seconds,
        usage.peak_rss_mb);
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "convert_listxml_bench: error: %s\n", e.what());
    status = 1;
  }
  if (!keep) std::filesystem::remove_all(out_dir);
  return status;
}
