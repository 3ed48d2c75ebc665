// Speed of a generation run over a large listinfo-style dat: 40,000 blocks with a 46,000-entry
// catver.ini, and the same with the category file missing (46,000 placeholder writes).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/generation_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBlocks = 40000;
constexpr int kCatverEntries = 46000;

class NullView : public tabulon::View {
 public:
  void ShowStatus(const std::string&) override {}
  void Warning(const std::string&) override {}
  void ShowMessage(const std::string&, const std::string&) override {}
};

// A front end with one big dat in the form old MAME's -li printed, and a catver.ini that knows
// most of its sets (a few thousand entries are for sets the dat does not have).
class BigFrontEnd {
 public:
  BigFrontEnd() {
    root_ = fs::temp_directory_path() / ("tabulon-bench-" + std::to_string(::getpid()));
    fs::create_directories(app() + "/dats");
    fs::create_directories(app() + "/catvers");
    std::ofstream dat(app() + "/dats/listinfo.dat", std::ios::binary);
    for (int i = 0; i < kBlocks; ++i) {
      const std::string name = "set" + std::to_string(i);
      dat << "game (\r\n\tname " << name << "\r\n\tdescription \"Game number " << i
          << " (World, rev. " << i % 7 << ")\"\r\n\tyear " << 1978 + i % 30
          << "\r\n\tmanufacturer \"Maker " << i % 400 << "\"\r\n";
      if (i % 3 != 0)
        dat << "\tcloneof set" << i - i % 3 << "\r\n\tromof set" << i - i % 3 << "\r\n";
      for (int r = 0; r < 6; ++r) {
        dat << "\trom ( name " << name << "." << r << " size 65536 crc 0123abcd region cpu1 offs "
            << r * 65536 << " )\r\n";
      }
      dat << "\tchip ( type cpu name Z80 clock 3072000 )\r\n"
          << "\tvideo ( screen raster orientation horizontal x 320 y 224 freq 60.000000 )\r\n"
          << "\tsound ( channels 1 )\r\n"
          << "\tinput ( players 2 control joy8way buttons 3 coins 2 )\r\n"
          << "\tdipswitch ( name \"Lives\" entry \"3\" entry \"5\" default \"3\" )\r\n"
          << "\tdriver ( status good color good sound imperfect )\r\n)\r\n\r\n";
    }
    std::ofstream ini(app() + "/catver.ini.master", std::ios::binary);
    ini << ";; catver.ini ;;\r\n\r\n[Category]\r\n";
    for (int i = 0; i < kCatverEntries; ++i)
      ini << "set" << i << "=Shooter / Flying " << i % 50 << "\r\n";
    ini << "\r\n[VerAdded]\r\n";
    for (int i = 0; i < kCatverEntries; ++i) ini << "set" << i << "=0." << 30 + i % 230 << "\r\n";
  }
  ~BigFrontEnd() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string app() const { return (root_ / "Gen").string(); }
  void PlaceCatver() const {
    fs::copy_file(app() + "/catver.ini.master", app() + "/catvers/catver.ini",
                  fs::copy_options::overwrite_existing);
  }
  void RemoveCatver() const { fs::remove(app() + "/catvers/catver.ini"); }

 private:
  fs::path root_;
};

BigFrontEnd& FrontEnd() {
  static BigFrontEnd front_end;
  return front_end;
}

void Generate(benchmark::State& state, bool with_catver) {
  BigFrontEnd& front_end = FrontEnd();
  NullView view;
  size_t lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (with_catver) {
      front_end.PlaceCatver();
    } else {
      front_end.RemoveCatver();
    }
    tabulon::RunState run(front_end.app(), &view);
    std::vector<std::string> file_list = {"listinfo.dat"};
    state.ResumeTiming();
    lines = tabulon::RunGeneration(run, &file_list).lines_written;
  }
  state.counters["games"] = static_cast<double>(lines);
}

void BM_GenerationWithCatver(benchmark::State& state) { Generate(state, true); }
void BM_GenerationCatverMissing(benchmark::State& state) { Generate(state, false); }

BENCHMARK(BM_GenerationWithCatver)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GenerationCatverMissing)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
