// run_measured: one generation run (optionally after converting a saved -listxml) in the given
// application folder, reporting wall time and this process's own peak resident memory. MAME, when
// the run starts it, is a child process and not counted: the figure is Tabulon's.
//
//   run_measured APP_DIR [--convert-listxml FILE]

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "mame/listxml_converter.h"
#include "platform/error.h"
#include "process_usage.h"

namespace {

class QuietView : public tabulon::View {
 public:
  void ShowStatus(const std::string&) override {}
  void Warning(const std::string& text) override {
    std::fprintf(stderr, "warning: %s\n", text.c_str());
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--convert-listxml")) {
    std::fprintf(stderr, "usage: run_measured APP_DIR [--convert-listxml FILE]\n");
    return 2;
  }
  const std::string app_dir = argv[1];
  try {
    const auto start = std::chrono::steady_clock::now();
    if (argc == 4) tabulon::ConvertListXmlFile(argv[3], app_dir);
    QuietView view;
    tabulon::RunState run(app_dir, &view);
    std::vector<std::string> file_list;
    tabulon::LoadAppFolder(run, &file_list);
    tabulon::GenerationResult result = tabulon::RunGeneration(run, &file_list);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const tabulon::bench::ProcessUsage usage = tabulon::bench::OwnUsage();
    std::printf("%.3f s wall, %zu lines, %.2f s CPU, peak RSS %.1f MB\n", seconds.count(),
                result.lines_written, usage.cpu_seconds, usage.peak_rss_mb);
    return 0;
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "run_measured: error: %s\n", e.what());
    return 1;
  }
}
