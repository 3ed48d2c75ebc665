// The set-up mistakes users make, one row each: the run must say what went wrong, name the file
// and what to do, as a warning or as a line of the report's Notes, and still write the list.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/front_end.h"

namespace tabulon {
namespace {

using testing::In;
using testing::WriteFile;

class UserMistakesTest;

struct Mistake {
  friend void PrintTo(const Mistake& m, std::ostream* os) { *os << m.name; }
  const char* name;
  std::function<void(UserMistakesTest&)> make;
  enum Kind { kWarning, kNote } kind;
  // Pieces of one line of that section, in this order; {app}, {front} and {mame} stand for the
  // fixture's folders.
  std::vector<std::string> says;
};

class UserMistakesTest : public testing::FrontEndTest,
                         public ::testing::WithParamInterface<Mistake> {
 public:
  using FrontEndTest::app_;
  using FrontEndTest::exe_;
  using FrontEndTest::front_;
  using FrontEndTest::InstallMame;
  using FrontEndTest::mame_;

  std::string Expand(std::string text) const {
    for (const auto& [key, value] :
         {std::pair{"{app}", app_}, {"{front}", front_}, {"{mame}", mame_}}) {
      for (size_t at; (at = text.find(key)) != std::string::npos;)
        text.replace(at, std::string(key).size(), value);
    }
    return text;
  }
  // The lines of the report's section `title` ("Warnings:", "Notes:"), without their indent.
  std::vector<std::string> Section(const std::string& title) const {
    std::vector<std::string> lines;
    bool in = false;
    for (const std::string& line : testing::SplitCrLf(Report())) {
      if (!line.empty() && line[0] != ' ')
        in = line == title;
      else if (in)
        lines.push_back(line.substr(2));
    }
    return lines;
  }
};

// Whether `line` holds every piece, in order.
bool SaysInOrder(const std::string& line, const std::vector<std::string>& pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    at = line.find(piece, at);
    if (at == std::string::npos) return false;
    at += piece.size();
  }
  return true;
}

TEST_P(UserMistakesTest, TheRunSaysWhatWentWrong) {
  const Mistake& mistake = GetParam();
  std::filesystem::create_directories(FsPath(In(app_, "dats")));
  WriteFile(In(app_, "dats/good.dat"),
            testing::CrLf({"clrmamepro (", "\tname \"Good\"", ")", "", "game (", "\tname good",
                           "\tdescription \"Good\"", ")"}));
  mistake.make(*this);
  ASSERT_EQ(Run(), 0) << Err();
  std::vector<std::string> pieces;
  for (const std::string& piece : mistake.says) pieces.push_back(Expand(piece));
  const bool warning = mistake.kind == Mistake::kWarning;
  int matches = 0;
  for (const std::string& line : Section(warning ? "Warnings:" : "Notes:")) {
    matches += SaysInOrder(line, pieces);
  }
  EXPECT_EQ(matches, 1) << Report();
  // A warning is also shown as it comes; a note is for the report alone.
  int shown = 0;
  std::istringstream err(Err());
  for (std::string line; std::getline(err, line);) shown += SaysInOrder(line, pieces);
  EXPECT_EQ(shown, warning ? 1 : 0) << Err();
  // The dats are still read.
  EXPECT_CONTAINS(MasterList(), "|Good|");
}

const Mistake kMistakes[] = {
    {"DatNamedFolder",
     [](UserMistakesTest& t) {
       std::filesystem::create_directories(FsPath(In(t.app_, "dats/box.dat")));
     },
     Mistake::kWarning,
     {In("dats", "box.dat"), "is not a file"}},
};

INSTANTIATE_TEST_SUITE_P(Rows, UserMistakesTest, ::testing::ValuesIn(kMistakes),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tabulon
