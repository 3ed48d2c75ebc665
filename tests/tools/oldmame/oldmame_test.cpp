// Tests for the oldmame stand-in: runs the built program on a tiny hand-written -listxml and
// on the real MAME 0.78 one, and checks the fixed-column layouts the front end depends on.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Three runnable sets (a parent, its clone, a BIOS child) with the BIOS holder between them,
// so the resource record has to be moved behind the games.
constexpr char kListXml[] = R"(<?xml version="1.0"?>
<mame>
	<game name="alpha">
		<description>The Alpha Game (World)</description>
		<year>1982</year>
		<manufacturer>Alpha \ &quot;Corp&quot;</manufacturer>
		<rom name="alpha.1" size="4096" crc="0c944964" sha1="06ef227747a440831c9a3a613b76693d52a2f0a9" region="cpu1" offset="0"/>
		<rom name="alpha.2" size="32" region="proms" status="nodump" dispose="yes" offset="20"/>
		<sample name="shot.wav"/>
		<chip type="cpu" name="Z80" clock="3072000"/>
		<chip type="cpu" soundonly="yes" name="Z80" clock="1789772"/>
		<chip type="audio" name="AY-3-8910" clock="1500000"/>
		<chip type="audio" name="AY-3-8910" clock="1500000"/>
		<chip type="audio" name="Samples"/>
		<video screen="raster" orientation="vertical" width="224" height="288" aspectx="3" aspecty="4" refresh="60.606060"/>
		<sound channels="1"/>
		<input players="2" control="joy8way" buttons="1" coins="2" service="yes"/>
		<dipswitch name="Lives"><dipvalue name="3" default="yes"/><dipvalue name="5"/></dipswitch>
		<driver status="good" color="imperfect" sound="imperfect" palettesize="256"/>
	</game>
	<game runnable="no" name="tstbios">
		<description>Test BIOS</description><year>1990</year><manufacturer>Test</manufacturer>
		<biosset name="euro" description="Europe" default="yes"/>
		<rom name="bios.bin" bios="euro" size="131072" crc="9036d879" region="user1" offset="0"/>
	</game>
	<game name="alphaj" cloneof="alpha" romof="alpha">
		<description>The Alpha Game (Japan)</description>
		<year>198?</year>
		<manufacturer>Alpha</manufacturer>
		<rom name="alpha.2" merge="alpha.2" size="32" region="proms" status="nodump" offset="20"/>
		<chip type="cpu" name="PSX CPU" clock="33868800"/>
		<chip type="audio" name="Custom"/>
		<video screen="vector" orientation="horizontal" aspectx="4" aspecty="3" refresh="40.000000"/>
		<sound channels="1"/>
		<input players="1"/>
		<driver status="preliminary" color="preliminary" sound="preliminary" palettesize="32" cocktail="preliminary"/>
	</game>
	<game name="bravo" romof="tstbios">
		<description>Bravo &#179;</description><manufacturer>Bravo</manufacturer>
		<chip type="audio" name="Samples"/>
		<driver status="preliminary" color="good" sound="good" palettesize="16"/>
	</game>
</mame>
)";

struct RunResult {
  int exit_code = -1;
  std::string out;
};

// Runs a shell command line and returns its stdout and exit code.
RunResult RunShell(const std::string& command) {
  RunResult result;
  std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) {
    return result;
  }
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    result.out.append(buffer, got);
  }
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& eol) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(eol, start)) != std::string::npos; start = end + eol.size()) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) {
    lines.push_back(text.substr(start));
  }
  return lines;
}

const std::string kBorder =
    "+----------------------------------+-------+-------+-------+-------+----------+";

// The rows of a -gamelist table: between the head's closing border and the final one.
std::vector<std::string> TableRows(const std::vector<std::string>& lines) {
  const auto first = std::find(lines.begin(), lines.end(), kBorder) + 4;
  if (first > lines.end()) {
    return {};
  }
  return {first, std::find(first, lines.end(), kBorder)};
}

class OldMameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/oldmame_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    xml_ = dir_ / "listxml.xml";
    std::ofstream(xml_, std::ios::binary) << kListXml;
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Run(const std::string& args) const {
    return RunShell("OLDMAME_LISTXML='" + xml_.string() + "' '" OLDMAME_EXE "' " + args);
  }
  std::vector<std::string> Lines(const std::string& args) const {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 0) << args;
    return SplitLines(result.out, "\r\n");
  }

  fs::path dir_;
  fs::path xml_;
};

TEST_F(OldMameTest, ListInfoPrintsGamesInOrderThenResources) {
  const RunResult result = Run("-li");
  ASSERT_EQ(result.exit_code, 0);
  const std::string alpha =
      "game (\r\n"
      "\tname alpha\r\n"
      "\tdescription \"The Alpha Game (World)\"\r\n"
      "\tyear 1982\r\n"
      "\tmanufacturer \"Alpha \\\\ \\\"Corp\\\"\"\r\n"
      "\trom ( name alpha.1 size 4096 crc 0c944964 sha1 06ef227747a440831c9a3a613b76693d52a2f0a9"
      " region cpu1 offs 0 )\r\n"
      "\trom ( name alpha.2 size 32 region proms flags nodump flags dispose offs 20 )\r\n"
      "\tsample shot.wav\r\n"
      "\tchip ( type cpu name Z80 clock 3072000 )\r\n"
      "\tchip ( type cpu flags audio name Z80 clock 1789772 )\r\n"
      "\tchip ( type audio name AY-3-8910 clock 1500000 )\r\n"
      "\tchip ( type audio name AY-3-8910 clock 1500000 )\r\n"
      "\tchip ( type audio name Samples )\r\n"
      "\tvideo ( screen raster orientation vertical x 224 y 288 aspectx 3 aspecty 4"
      " freq 60.606060 )\r\n"
      "\tsound ( channels 1 )\r\n"
      "\tinput ( players 2 control joy8way buttons 1 coins 2 service yes )\r\n"
      "\tdipswitch ( name \"Lives\" entry \"3\" default \"3\" entry \"5\" )\r\n"
      "\tdriver ( status good color imperfect sound imperfect palettesize 256 )\r\n"
      ")\r\n\r\n";
  const std::string resource =
      "resource (\r\n"
      "\tname tstbios\r\n"
      "\tdescription \"Test BIOS\"\r\n"
      "\tyear 1990\r\n"
      "\tmanufacturer \"Test\"\r\n"
      "\tbiosset ( name euro description \"Europe\" default yes )\r\n"
      "\trom ( name bios.bin bios euro size 131072 crc 9036d879 region user1 offs 0 )\r\n"
      ")\r\n\r\n";
  EXPECT_TRUE(result.out.starts_with(alpha)) << result.out;
  EXPECT_TRUE(result.out.ends_with(resource)) << result.out;

  EXPECT_LT(result.out.find("game (\r\n\tname alphaj\r\n"),
            result.out.find("game (\r\n\tname bravo\r\n"));

  const std::vector<std::string> lines = SplitLines(result.out, "\r\n");

  for (const char* expected : {
           "\tcloneof alpha",
           "\tromof alpha",
           "\trom ( name alpha.2 merge alpha.2 size 32 region proms flags nodump offs 20 )",
           "\tchip ( type cpu name PSX_CPU clock 33868800 )",
           "\tvideo ( screen vector orientation horizontal aspectx 4 aspecty 3 freq 40.000000 )",
           "\tromof tstbios",
           "\tdescription \"Bravo \\xb3\"",
       }) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
  EXPECT_EQ(result.out.find("\tyear 198?"), std::string::npos);
}

TEST_F(OldMameTest, ListDetailsKeepsFixedColumns) {
  const std::vector<std::string> lines = Lines("-listdetails");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0],
            " romname driver     cpu 1    cpu 2    cpu 3    cpu 4    cpu 5    cpu 6    cpu 7    "
            "cpu 8    sound 1     sound 2     sound 3     sound 4     sound 5     name");
  EXPECT_EQ(lines[1],
            "-------- ---------- -------- -------- -------- -------- -------- -------- -------- "
            "-------- ----------- ----------- ----------- ----------- ----------- "
            "--------------------------");

  struct Row {
    const char* name;
    const char* driver;  // columns 9-18
    const char* cpus;    // columns 20-37
    const char* sounds;  // columns 92-115
    const char* description;
  };
  const Row rows[] = {
      {"alpha   ", "alpha.c   ", "Z80      [Z80   ] ", "2xAY-3-8910 Samples     ",
       "The Alpha Game (World)"},
      {"alphaj  ", "alpha.c   ", "PSX CPU           ", "Custom                  ",
       "The Alpha Game (Japan)"},
      {"bravo   ", "tstbios.c ", "                  ", "Samples                 ", "Bravo \xb3"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const std::string& line = lines[i + 2];
    ASSERT_GE(line.size(), 152u);
    EXPECT_EQ(line.substr(0, 8), rows[i].name);
    EXPECT_EQ(line.substr(9, 10), rows[i].driver);
    EXPECT_EQ(line.substr(20, 18), rows[i].cpus);
    EXPECT_EQ(line.substr(92, 24), rows[i].sounds);
    EXPECT_EQ(line.substr(152), rows[i].description);
  }
}

TEST_F(OldMameTest, GameListRowsFollowDriverFlags) {
  const std::vector<std::string> lines = Lines("-gamelist");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "This is the complete list of games supported by MAME 0.78 (Dec 24 2003).");
  const auto head = std::find(lines.begin(), lines.end(), kBorder);
  ASSERT_GE(lines.end() - head, 4);
  EXPECT_EQ(head[1],
            "|                                  |       |Correct|       |Screen | Internal |");
  EXPECT_EQ(head[2],
            "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |");
  EXPECT_EQ(head[3], kBorder);
  EXPECT_EQ(lines.back(), "(2) Needs samples provided separately");

  struct Row {
    const char* game_name;  // columns 3-35
    const char* working;    // 37-43
    const char* colors;     // 45-51
    const char* sound;      // 53-59
    const char* flip;       // 61-67
    const char* name;       // 70-77
  };
  const Row rows[] = {
      {"Alpha Game, The (World)          ", "  Yes  ", " Close ", "Part(2)", "  Yes  ", "alpha   "},
      {"Alpha Game, The (Japan)          ", " No(1) ", "   No  ", "   No  ", "   No  ", "alphaj  "},
      {"Bravo \xb3                          ", "   No  ", "  Yes  ", "  Yes  ", "  Yes  ",
       "bravo   "},
  };
  const std::vector<std::string> table = TableRows(lines);
  ASSERT_EQ(table.size(), std::size(rows));
  for (size_t i = 0; i < table.size(); ++i) {
    const std::string& line = table[i];
    ASSERT_EQ(line.size(), 79u) << line;
    EXPECT_EQ(line.substr(2, 33), rows[i].game_name);
    EXPECT_EQ(line.substr(36, 7), rows[i].working);
    EXPECT_EQ(line.substr(44, 7), rows[i].colors);
    EXPECT_EQ(line.substr(52, 7), rows[i].sound);
    EXPECT_EQ(line.substr(60, 7), rows[i].flip);
    EXPECT_EQ(line.substr(69, 8), rows[i].name);
  }

  // -noclones drops alphaj and the bracketed part that only tells clones apart.
  EXPECT_EQ(
      TableRows(Lines("-gamelist -noclones")),
      (std::vector<std::string>{
          "| Alpha Game, The                  |  Yes  | Close |Part(2)|  Yes  | alpha    |",
          "| Bravo \xb3                          |   No  |  Yes  |  Yes  |  Yes  | bravo    |"}));
}

TEST_F(OldMameTest, CommandLineHandling) {
  const std::string li = Run("-li").out;
  fs::copy_file(OLDMAME_EXE, dir_ / "mame");
  struct Case {
    std::string command;
    int exit_code;
    std::string out;  // whole stdout, or its start when ends in "..."
  };
  const Case cases[] = {
      {"OLDMAME_LISTXML='" + xml_.string() +
           "' '" OLDMAME_EXE "' -history_file vantrelinc.dat -mameinfo_file vantrel123.dat -li",
       0, li},
      {"'" OLDMAME_EXE "' -listinfo -bogus", 1, "Error: unknown option: -bogus\r\n"},
      {"'" OLDMAME_EXE "'", 1, "Usage:..."},
      {"OLDMAME_LISTXML='" + xml_.string() + "' '" OLDMAME_EXE "' -listxml", 0, kListXml},
      {"OLDMAME_LF=1 OLDMAME_LISTXML='" + xml_.string() + "' '" OLDMAME_EXE "' -gamelist", 0,
       "This is the complete list of games supported by MAME 0.78 (Dec 24 2003).\n\n..."},
      // Without the variable the XML is looked up beside the executable.
      {"env -u OLDMAME_LISTXML '" + (dir_ / "mame").string() + "' -li", 0, li},
      {"OLDMAME_LISTXML=/nonexistent/listxml.xml '" OLDMAME_EXE "' -gamelist", 1, ""},
  };
  for (const Case& c : cases) {
    const RunResult result = RunShell(c.command);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.command;
    if (c.out.ends_with("...")) {
      EXPECT_TRUE(result.out.starts_with(c.out.substr(0, c.out.size() - 3))) << c.command;
    } else {
      EXPECT_EQ(result.out, c.out) << c.command;
    }
  }
}

// The real 0.78 list: every runnable set must show up once in each of the three lists.
TEST(OldMameRealListTest, ListsAgreeOnTheRealFile) {
  const fs::path packed = fs::path(SHARED_DATA_DIR) / "mame_dats/mame078_listxml.xml.xz";
  if (!fs::exists(packed)) {
    FAIL() << "the real test data is missing: " << packed
           << " (the shared data folder must lie beside the checkout, as ../shared/data)";
  }
  char pattern[] = "/tmp/oldmame_real_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  const fs::path xml = dir / "listxml.xml";
  ASSERT_EQ(RunShell("xz -dc '" + packed.string() + "' > '" + xml.string() + "'").exit_code, 0);

  auto lines = [&xml](const std::string& args) {
    const RunResult result =
        RunShell("OLDMAME_LF=1 OLDMAME_LISTXML='" + xml.string() + "' '" OLDMAME_EXE "' " + args);
    EXPECT_EQ(result.exit_code, 0) << args;
    return SplitLines(result.out, "\n");
  };
  const auto info = lines("-li");
  const auto details = lines("-listdetails");
  const auto gamelist = lines("-gamelist");
  const auto parents = lines("-gamelist -noclones");
  fs::remove_all(dir);

  const long games = std::count(info.begin(), info.end(), "game (");
  EXPECT_EQ(games, 4705);
  EXPECT_EQ(std::count(info.begin(), info.end(), "resource ("), 15);
  EXPECT_EQ(static_cast<long>(details.size()) - 2, games);
  const auto rows = TableRows(gamelist);
  EXPECT_EQ(static_cast<long>(rows.size()), games);
  EXPECT_TRUE(
      std::all_of(rows.begin(), rows.end(), [](const std::string& l) { return l.size() == 79; }));

  // MAME's own gamelist.txt of 0.78 (-noclones, sorted by name). Rows differ only where a flag
  // the XML does not carry (no cocktail mode, unemulated protection) changed a cell.
  const auto shipped = TableRows(
      SplitLines(ReadFile(fs::path(SHARED_DATA_DIR) / "mame_output/gamelist_0.78.txt"), "\n"));
  const auto ours = TableRows(parents);
  EXPECT_EQ(ours.size(), shipped.size());
  const long same = std::count_if(ours.begin(), ours.end(), [&shipped](const std::string& row) {
    return std::find(shipped.begin(), shipped.end(), row) != shipped.end();
  });
  EXPECT_GE(same, 2451) << "of " << ours.size();
}

}  // namespace
