// convert_listxml_bench: times one -listxml conversion into a fresh temporary folder (removed
// afterwards) and reports the counts, the wall time and the process's peak resident memory.
// Compare with expat_pass on the same file. With OUT_DIR, the lists are written there and kept,
// to compare the lists of two conversions. With --facts, MAME's facts are gathered along the way,
// as a shaped run does, and kept in the facts file (FILE is linked into the folder as
// listxml.xml for it): the difference to the run without is what the facts cost that run.
//
// With --one-thread, nothing is read ahead on a second thread: the CPU time is then the work
// alone, without what handing pieces between two threads costs.
//
//   convert_listxml_bench [--facts] [--one-thread] FILE [OUT_DIR]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "mame/listxml_converter.h"
#include "mame/listxml_facts.h"
#include "mame/mame_facts.h"
#include "platform/error.h"
#include "process_usage.h"

namespace {

tabulon::ListXmlCounts Convert(const char* path, const std::string& out_dir,
                               tabulon::ListXmlFactsGatherer* facts, bool ahead) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) throw tabulon::Error(path, "cannot open");
  tabulon::ListXmlConverter converter(out_dir, path, nullptr, facts);
  if (ahead) converter.ReadAhead();
  std::vector<char> block(256 * 1024);
  size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
    converter.Feed(block.data(), got);
  }
  std::fclose(file);
  converter.Finish();
  return converter.counts();
}

}  // namespace

int main(int argc, char** argv) {
  bool with_facts = false, one_thread = false;
  for (; argc > 1 && std::string(argv[1]).starts_with("--"); --argc, ++argv) {
    const std::string option = argv[1];
    if (option == "--facts") {
      with_facts = true;
    } else if (option == "--one-thread") {
      one_thread = true;
    } else {
      argc = 0;
      break;
    }
  }
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: convert_listxml_bench [--facts] [--one-thread] FILE [OUT_DIR]\n");
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
    tabulon::MameFacts facts;
    std::optional<tabulon::ListXmlFactsGatherer> gatherer;
    if (with_facts) {
      gatherer.emplace(&facts);
      std::filesystem::remove(std::filesystem::path(out_dir) / "listxml.xml");
      std::filesystem::create_hard_link(argv[1], std::filesystem::path(out_dir) / "listxml.xml");
    }
    const tabulon::ListXmlCounts counts =
        Convert(argv[1], out_dir, gatherer ? &*gatherer : nullptr, !one_thread);
    if (with_facts) tabulon::KeepMameFacts(out_dir, facts);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const tabulon::bench::ProcessUsage usage = tabulon::bench::OwnUsage();
    std::printf(
        "conversion: %zu games, %zu resources, %zu devices skipped, %.3f s wall, "
        "%.3f s CPU, peak RSS %.1f MB%s\n",
        counts.games, counts.resources, counts.devices, seconds.count(), usage.cpu_seconds,
        usage.peak_rss_mb,
        with_facts
            ? (", facts of " + std::to_string(facts.size()) + " machines gathered and kept").c_str()
            : "");
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "convert_listxml_bench: error: %s\n", e.what());
    status = 1;
  }
  if (!keep) std::filesystem::remove_all(out_dir);
  return status;
}
