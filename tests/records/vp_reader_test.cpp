// The Visual Pinball launcher list reader.
#include "records/vp_reader.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(VpReaderTest, TablesBecomePinballRecords) {
  testing::TempDir dir;
  // A UTF-8 byte order mark, as Windows editors save one, is no part of the first table's name.
  testing::WriteFile(
      dir / "dats/vplauncher.dat",
      "\xEF\xBB\xBF" +
          testing::CrLf({"Table\\\\a\\b\\1994\\Maker\\Historic",
                         "Table\\Deluxe\\a\\b\\1995\\Maker\\Historic\\extra\\fields", "",
                         "Orig\\\\a\\b\\2001\\Me\\historic", "Spaced\\\\a\\b\\2001\\Me\\Historic ",
                         "Short\\\\a\\b\\2001\\Me", "\\\\a\\b\\1990\\Nobody\\Historic"}));
  testing::RecordingView view;
  RunState run(dir.path(), &view);
  EXPECT_EQ(getlistinfoVP("vplauncher.dat", run), 5u);
  EXPECT_EQ(view.statuses, std::vector<std::string>{"Parsing VisualPinball Dat File"});
  EXPECT_EQ(view.warnings,
            std::vector<std::string>{InFolder("dats", "vplauncher.dat") +
                                     ":6: skipped: a table line needs at least 7 fields separated "
                                     "by \"\\\", this one has 6"});
  const std::string tail = "|VisualPinball|Pinball \\ ";
  const std::vector<std::string> expected = {
      "|Orig|2001|Me|Orig" + tail + "Original|????||na|na|na|na|^Orig",
      "|Spaced|2001|Me|Spaced" + tail + "Original|????||na|na|na|na|^Spaced",
      "|Table Deluxe|1995|Maker|Table" + tail + "Simulation|????||na|na|na|na|^Table Deluxe",
      "|Table|1994|Maker|Table" + tail + "Simulation|????||na|na|na|na|^Table",
      "||1990|Nobody|" + tail + "Simulation|????||na|na|na|na|^",
  };
  EXPECT_EQ(std::vector<std::string>(run.List1.Items().begin(), run.List1.Items().end()), expected);
}

}  // namespace
}  // namespace tabulon
