// mame_facts_bench: loads MAME's facts for the application folder APP_DIR as a run does (from the
// facts file kept there when it matches listxml.xml, else from listxml.xml, keeping them) and
// reports what they hold, the CPU time and the process's peak resident memory. Run it twice:
// the first reads the XML, the second the kept facts.
//
//   mame_facts_bench APP_DIR
#include "mame/mame_facts.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/error.h"
#include "process_usage.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mame_facts_bench APP_DIR\n");
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    const tabulon::MameFacts facts = tabulon::LoadMameFacts(argv[1], &why);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const tabulon::bench::ProcessUsage usage = tabulon::bench::OwnUsage();
    size_t roms = 0, disks = 0, devices = 0, samples = 0, controls = 0;
    for (size_t i = 0; i < facts.size(); ++i) {
      const tabulon::MachineFacts& m = facts.at(i);
      roms += m.roms.size();
      disks += m.disks.size();
      devices += m.device_refs.size();
      samples += m.samples.size();
      controls += m.controls.size();
    }
    if (!why.empty()) std::printf("%s\n", why.c_str());
    std::printf(
        "facts: %zu machines, %zu ROMs, %zu disks, %zu device references, %zu samples, "
        "%zu controls; %.3f s wall, %.3f s CPU, peak RSS %.1f MB\n",
        facts.size(), roms, disks, devices, samples, controls, seconds.count(), usage.cpu_seconds,
        usage.peak_rss_mb);
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "mame_facts_bench: error: %s\n", e.what());
    return 1;
  }
  return 0;
}
