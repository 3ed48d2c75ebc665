// XML dats in dats/: told by their content, read as the block dat the -listxml conversion writes
// for them, and a malformed one costs only what follows its fault.
#include "mame/xml_dat.h"

#include <gtest/gtest.h>

#include "app/generation_run.h"
#include "mame/listxml_converter.h"
#include "platform/files.h"
#include "platform/text_io.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using Lines = std::vector<std::string>;

// The master list of a run over one dat, dats/one.dat.
Lines Generate(const std::string& bytes, testing::RecordingView* view = nullptr) {
  testing::TempDir dir;
  testing::WriteFile(dir / "Gen/dats/one.dat", bytes);
  RunState run(dir / "Gen", view);
  Lines file_list = {"one.dat"};
  RunGeneration(run, &file_list);
  return testing::SplitCrLf(ReadFile(dir / "masterlist.lst"));
}

// A dat of today's collections gives one record per game, with its description, its own name as
// clone-of and the emulator its header names. MAME 0.78's -listxml, which has no header, gives
// the master list of the listinfo.dat its conversion writes.
TEST(XmlDatTest, RealXmlDatsAsTheirBlockDats) {
  const Lines fds = Generate(ReadFile(testing::TestData(
      "logiqx/Nintendo_-_Family_Computer_Disk_System_Headered_20180610-093800.xml")));
  EXPECT_EQ(fds.size(), 320u);
  EXPECT_EQ(testing::LineStartingWith(fds, "Ai Senshi"),
            "Ai Senshi Nicol (Japan)|Ai Senshi Nicol (Japan)|????||Ai Senshi Nicol (Japan)|"
            "Nintendo - Family Computer Disk System [Headered]|????/????|????||na|na|na||");

  const std::string listxml = testing::TestData("mame_dats/mame078_listxml.xml");
  testing::TempDir converted;
  ConvertListXmlFile(listxml, converted.path());
  const Lines from_xml = Generate(ReadFile(listxml));
  EXPECT_EQ(from_xml, Generate(ReadFile(converted / "listinfo.dat")));
  EXPECT_GT(from_xml.size(), 4700u);
}

// UTF-16 bytes with the byte order mark of `text`.
std::string Utf16(std::u16string_view text, bool big) {
  std::string bytes;
  for (const char16_t unit : u"\uFEFF" + std::u16string(text)) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    bytes += big ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

constexpr std::u16string_view kFaultHalfway =
    u"\r\n <datafile>\n<header><author>T</author><name>Tiny</name></header>\n"
    u"<game name=\"a\"><description>A \u00E9\U0001F600</description></game>\n"
    u"<game name=\"b\"><!-- it's \"B\" --><description>B</description></game>\n"
    u"<game name=\"c\"><description>C</descriptio></game>\n";

// A fault halfway (or a token that would take the parser minutes), in UTF-8 or UTF-16: the
// warning names the line, and the games before it are kept.
TEST(XmlDatTest, FaultsKeepTheGamesBeforeThem) {
  const std::string utf8 = "\xEF\xBB\xBF" + Utf16ToUtf8(Utf16(kFaultHalfway, true).substr(2), true);
  const std::string games = utf8.substr(0, utf8.find("<game name=\"c\""));
  const std::string huge(XmlDatLines::kLongestToken, 'x');
  // In UTF-16LE, a comment that puts the emoji's two halves on both sides of the parser's first
  // 256 KiB read.
  std::u16string across(kFaultHalfway);
  across.insert(across.find(u"<header>"),
                u"<!--" + std::u16string(131063 - across.find(u'\xD83D'), u' ') + u"-->");
  const std::pair<std::string, std::string> rows[] = {
      {Utf16(across, false), ":6: malformed XML at column 32: mismatched tag"},
      {utf8, ":6: malformed XML at column 32: mismatched tag"},
      {Utf16(kFaultHalfway, false), ":6: malformed XML at column 32: mismatched tag"},
      {Utf16(
           u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + std::u16string(kFaultHalfway.substr(2)),
           true),
       ":5: malformed XML at column 32: mismatched tag"},
      {games + "<game name=\"c\" description=\"" + huge + "\"/>",
       ":6: a tag (with its attribute values) longer than 1 MiB starts on this line"},
      {games + "<game name=\"c\"><description>\r\n" + huge, ":6: text longer than 1 MiB starts"},
  };
  for (const auto& [bytes, warning] : rows) {
    testing::RecordingView view;
    EXPECT_EQ(Generate(bytes, &view),
              (Lines{"a|A \xC3\xA9\xF0\x9F\x98\x80|????||a|Tiny|????/????|????||na|na|na||",
                     "b|B|????||b|Tiny|????/????|????||na|na|na||"}));
    const std::string last = view.warnings.empty() ? "" : view.warnings.back();
    EXPECT_TRUE(last.starts_with(InFolder("dats", "one.dat") + warning)) << last;
    EXPECT_TRUE(last.ends_with("; the records before the fault are kept")) << last;
  }
  // Text one byte short of the limit (the ">" before it counts) is read; the one warning is that
  // of MAME's missing settings.
  testing::RecordingView view;
  EXPECT_EQ(Generate(games + "<game name=\"c\">" + std::string(huge.size() - 1, ' ') +
                         "<description>C</description></game></datafile>",
                     &view)
                .size(),
            3u);
  EXPECT_EQ(view.warnings.size(), 1u);
}

}  // namespace
}  // namespace tabulon
