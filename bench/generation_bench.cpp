// Speed of a generation run over a large dat: 40,000 blocks in the listinfo form with a
// 46,000-entry catver.ini and with the category file missing (placeholder writes), and 40,000
// games as XML dats beside the same dats in block form, each with its catver.ini.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// The front ends, each with one big dat and a catver.ini that knows most of its sets (a few
// thousand entries are for sets the dat does not have). Each dat has a front end of its own, so
// that each run writes a master list of its own.
//  - listinfo: the dat in the form old MAME's -li printed, without a header;
//  - listxml: the same games as MAME's -listxml of its time wrote them;
//  - datafile, clrmamepro: a dat of today's collections, named MAME in its header, as XML
//    (Logiqx datafile) and in the block form.
class BigFrontEnd {
 public:
  BigFrontEnd() {
    root_ = fs::temp_directory_path() / ("tabulon-bench-" + std::to_string(::getpid()));
    for (const char* name : {"listinfo", "listxml", "datafile", "clrmamepro"}) {
      fs::create_directories(app(name) + "/dats");
      fs::create_directories(app(name) + "/catvers");
    }
    std::ofstream dat(app("listinfo") + "/dats/big.dat", std::ios::binary);
    std::ofstream xml(app("listxml") + "/dats/big.dat", std::ios::binary);
    std::ofstream datafile(app("datafile") + "/dats/big.dat", std::ios::binary);
    std::ofstream clrmamepro(app("clrmamepro") + "/dats/big.dat", std::ios::binary);
    xml << "<?xml version=\"1.0\"?>\n<mame build=\"bench\">\n";
    datafile << "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM "
                "Management Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n"
                "<datafile>\n\t<header>\n\t\t<name>MAME</name>\n"
                "\t\t<description>MAME</description>\n\t</header>\n";
    clrmamepro << "clrmamepro (\r\n\tname \"MAME\"\r\n\tdescription \"MAME\"\r\n)\r\n\r\n";
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
      WriteListXmlGame(xml, i);
      WriteDatafileGames(datafile, clrmamepro, i);
    }
    xml << "</mame>\n";
    datafile << "</datafile>\n";
    std::ofstream ini(root_ / "catver.ini", std::ios::binary);
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

  std::string app(const std::string& form) const { return (root_ / form / "Gen").string(); }
  void PlaceCatver(const std::string& form) const {
    fs::copy_file(root_ / "catver.ini", app(form) + "/catvers/catver.ini",
                  fs::copy_options::overwrite_existing);
  }
  void RemoveCatver(const std::string& form) const {
    fs::remove(app(form) + "/catvers/catver.ini");
  }
  // One run over the form's dat; returns the lines written.
  size_t Run(const std::string& form) const {
    NullView view;
    tabulon::RunState run(app(form), &view);
    std::vector<std::string> file_list = {"big.dat"};
    return tabulon::RunGeneration(run, &file_list).lines_written;
  }
  // The master list the last run of the form wrote.
  std::string MasterList(const std::string& form) const {
    std::ifstream in(root_ / form / "masterlist.lst", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  // The listinfo block as MAME's -listxml of its time wrote it: the conversion makes the same
  // block of it, less the ROM, chip and DIP switch lines that no record uses.
  static void WriteListXmlGame(std::ofstream& xml, int i) {
    const std::string name = "set" + std::to_string(i);
    xml << "\t<game name=\"" << name << "\" sourcefile=\"bench.c\"";
    if (i % 3 != 0) xml << " cloneof=\"set" << i - i % 3 << "\" romof=\"set" << i - i % 3 << "\"";
    xml << ">\n\t\t<description>Game number " << i << " (World, rev. " << i % 7
        << ")</description>\n\t\t<year>" << 1978 + i % 30 << "</year>\n\t\t<manufacturer>Maker "
        << i % 400 << "</manufacturer>\n";
    for (int r = 0; r < 6; ++r) {
      xml << "\t\t<rom name=\"" << name << "." << r
          << "\" size=\"65536\" crc=\"0123abcd\" region=\"cpu1\" offset=\"" << r * 65536
          << "\"/>\n";
    }
    xml << "\t\t<chip type=\"cpu\" name=\"Z80\" clock=\"3072000\"/>\n"
        << "\t\t<video screen=\"raster\" orientation=\"horizontal\" width=\"320\" "
           "height=\"224\" refresh=\"60.000000\"/>\n"
        << "\t\t<sound channels=\"1\"/>\n"
        << "\t\t<input players=\"2\" control=\"joy8way\" buttons=\"3\" coins=\"2\"/>\n"
        << "\t\t<dipswitch name=\"Lives\">\n\t\t\t<dipvalue name=\"3\" default=\"yes\"/>\n"
        << "\t\t\t<dipvalue name=\"5\"/>\n\t\t</dipswitch>\n"
        << "\t\t<driver status=\"good\" color=\"good\" sound=\"imperfect\"/>\n\t</game>\n";
  }

  // A game of a dat from today's collections: name, description, year, maker and its ROMs with
  // their size, CRC and SHA-1, in both forms.
  static void WriteDatafileGames(std::ofstream& xml, std::ofstream& block, int i) {
    const std::string name = "set" + std::to_string(i);
    const std::string parent = "set" + std::to_string(i - i % 3);
    const std::string description =
        "Game number " + std::to_string(i) + " (World, rev. " + std::to_string(i % 7) + ")";
    xml << "\t<game name=\"" << name << "\"";
    block << "game (\r\n\tname \"" << name << "\"\r\n";
    if (i % 3 != 0) {
      xml << " cloneof=\"" << parent << "\" romof=\"" << parent << "\"";
      block << "\tcloneof \"" << parent << "\"\r\n\tromof \"" << parent << "\"\r\n";
    }
    xml << ">\n\t\t<description>" << description << "</description>\n\t\t<year>" << 1978 + i % 30
        << "</year>\n\t\t<manufacturer>Maker " << i % 400 << "</manufacturer>\n";
    block << "\tdescription \"" << description << "\"\r\n\tyear " << 1978 + i % 30
          << "\r\n\tmanufacturer \"Maker " << i % 400 << "\"\r\n";
    for (int r = 0; r < 6; ++r) {
      const char* sha1 = "0123456789abcdef0123456789abcdef01234567";
      xml << "\t\t<rom name=\"" << name << "." << r << "\" size=\"65536\" crc=\"0123abcd\" sha1=\""
          << sha1 << "\"/>\n";
      block << "\trom ( name \"" << name << "." << r << "\" size 65536 crc 0123abcd sha1 " << sha1
            << " )\r\n";
    }
    xml << "\t</game>\n";
    block << ")\r\n\r\n";
  }

  fs::path root_;
};

BigFrontEnd& FrontEnd() {
  static BigFrontEnd front_end;
  return front_end;
}

// A run over the form's dat; an XML form's master list must be its block twin's, or the
// comparison means nothing.
void Generate(benchmark::State& state, const std::string& form, bool with_catver,
              const std::string& block_twin = "") {
  BigFrontEnd& front_end = FrontEnd();
  size_t lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (with_catver) {
      front_end.PlaceCatver(form);
    } else {
      front_end.RemoveCatver(form);
    }
    state.ResumeTiming();
    lines = front_end.Run(form);
  }
  state.counters["games"] = static_cast<double>(lines);
  if (!block_twin.empty()) {
    front_end.PlaceCatver(block_twin);
    front_end.Run(block_twin);
    if (front_end.MasterList(form) != front_end.MasterList(block_twin)) {
      state.SkipWithError("the XML dat's master list differs from its block form's");
    }
  }
}

void BM_GenerationWithCatver(benchmark::State& state) { Generate(state, "listinfo", true); }
void BM_GenerationCatverMissing(benchmark::State& state) { Generate(state, "listinfo", false); }
void BM_ListXmlDatWithCatver(benchmark::State& state) {
  Generate(state, "listxml", true, "listinfo");
}
void BM_ClrmameproDatWithCatver(benchmark::State& state) { Generate(state, "clrmamepro", true); }
void BM_DatafileXmlDatWithCatver(benchmark::State& state) {
  Generate(state, "datafile", true, "clrmamepro");
}

// On a shared machine the fastest of the repetitions (run interleaved, see bench/README.md) is
// the one least disturbed; the parsing thread of an XML dat counts in the process's CPU time.
double Fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

void Configure(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime()->MeasureProcessCPUTime();
  b->ComputeStatistics("min", Fastest);
}

BENCHMARK(BM_GenerationWithCatver)->Apply(Configure);
BENCHMARK(BM_GenerationCatverMissing)->Apply(Configure);
BENCHMARK(BM_ListXmlDatWithCatver)->Apply(Configure);
BENCHMARK(BM_ClrmameproDatWithCatver)->Apply(Configure);
BENCHMARK(BM_DatafileXmlDatWithCatver)->Apply(Configure);

}  // namespace

BENCHMARK_MAIN();
