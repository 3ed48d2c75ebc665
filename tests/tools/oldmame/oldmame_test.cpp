// Keeps the old-MAME stand-in true to MAME 0.78: run on 0.78's real -listxml, its three lists
// agree on the games, and its -gamelist matches the one MAME 0.78 itself printed. The front end's
// own tests run the stand-in end to end.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "testing/temp_dir.h"

namespace {

using tabulon::testing::SplitCrLf;

struct RunResult {
  int exit_code = -1;
  std::string out;
};

// Runs the stand-in with `args` through the shell and returns its stdout and exit code.
RunResult RunOldMame(const std::string& env, const std::string& args) {
  RunResult result;
  std::FILE* pipe = popen((env + " '" OLDMAME_EXE "' " + args + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.out.append(buffer, got);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

const std::string kBorder =
    "+----------------------------------+-------+-------+-------+-------+----------+";

// The rows of a -gamelist table: between the head's closing border and the final one.
std::vector<std::string> TableRows(const std::vector<std::string>& lines) {
  const auto first = std::find(lines.begin(), lines.end(), kBorder) + 4;
  if (first > lines.end()) return {};
  return {first, std::find(first, lines.end(), kBorder)};
}

TEST(OldMameTest, RefusesWhatMameRefused) {
  const struct {
    std::string args, out;
  } cases[] = {{"-listinfo -bogus", "Error: unknown option: -bogus\r\n"}, {"", "Usage: mame "}};
  for (const auto& c : cases) {
    const RunResult result = RunOldMame("OLDMAME_LISTXML=/nonexistent.xml", c.args);
    EXPECT_EQ(result.exit_code, 1) << c.args;
    EXPECT_TRUE(result.out.starts_with(c.out)) << result.out;
  }
}

TEST(OldMameTest, RealListsAgreeWithEachOtherAndWithMame078) {
  const std::string xml = tabulon::testing::TestData("mame_dats/mame078_listxml.xml");
  auto lines = [&xml](const std::string& args) {
    const RunResult result = RunOldMame("OLDMAME_LISTXML='" + xml + "'", args);
    EXPECT_EQ(result.exit_code, 0) << args;
    return SplitCrLf(result.out);
  };
  const auto info = lines("-li");
  const long games = std::count(info.begin(), info.end(), "game (");
  EXPECT_EQ(games, 4705);
  EXPECT_EQ(std::count(info.begin(), info.end(), "resource ("), 15);
  EXPECT_EQ(static_cast<long>(lines("-listdetails").size()) - 2, games);
  const auto rows = TableRows(lines("-gamelist"));
  EXPECT_EQ(static_cast<long>(rows.size()), games);
  EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [](const auto& l) { return l.size() == 79; }));

  // MAME's own gamelist.txt of 0.78 (-noclones, sorted by name). Rows differ only where a flag
  // the XML does not carry (no cocktail mode, unemulated protection) changed a cell.
  const auto shipped =
      TableRows(SplitCrLf(tabulon::testing::TestDataAsCrLf("mame_output/gamelist_0.78.txt")));
  const auto ours = TableRows(lines("-gamelist -noclones"));
  EXPECT_EQ(ours.size(), shipped.size());
  const long same = std::count_if(ours.begin(), ours.end(), [&shipped](const std::string& row) {
    return std::find(shipped.begin(), shipped.end(), row) != shipped.end();
  });
  EXPECT_GE(same, 2451) << "of " << ours.size();
}

}  // namespace
