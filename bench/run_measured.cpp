// run_measured: one generation run (optionally after converting a saved -listxml) in the given
// application folder, reporting wall time and this process's own peak resident memory. MAME, when
// the run starts it, is a child process and not counted: the figure is Tabulon's.
//
//   run_measured APP_DIR [--convert-listxml FILE]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "mame/listxml_converter.h"
#include "platform/error.h"

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
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%.2f s wall, %zu lines, %.2f s CPU, peak RSS %.1f MB\n", seconds.count(),
                result.lines_written, cpu, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
  } catch (const tabulon::Error& e) {
    std::fprintf(stderr, "run_measured: error: %s\n", e.what());
    return 1;
  }
}
