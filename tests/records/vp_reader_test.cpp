// The Visual Pinball launcher list reader.
#include "records/vp_reader.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::RecordingView;
using testing::TempDir;
using testing::WriteFile;

TEST(VpReaderTest, TablesBecomePinballRecords) {
  TempDir dir;
  WriteFile(dir / "dats/vplauncher.dat",
            CrLf({"Table\\\\a\\b\\1994\\Maker\\Historic",
                  "Table\\Deluxe\\a\\b\\1995\\Maker\\Historic\\extra\\fields", "",
                  "Orig\\\\a\\b\\2001\\Me\\historic", "Spaced\\\\a\\b\\2001\\Me\\Historic ",
                  "Short\\\\a\\b\\2001\\Me", "\\\\a\\b\\1990\\Nobody\\Historic"}));
  RecordingView view;
  RunState run(dir.path(), &view);
  run.slots.LEmu = "MAME";
  EXPECT_EQ(getlistinfoVP("vplauncher.dat", run), 5u);

  EXPECT_EQ(view.statuses, std::vector<std::string>{"Parsing VisualPinball Dat File"});
  ASSERT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(view.warnings[0],
            InFolder("dats", "vplauncher.dat") +
                ":6: skipped: a table line needs at least 7 fields separated by \"\\\", this one "
                "has 6");
  const std::vector<std::string> expected = {
      "|Orig|2001|Me|Orig|VisualPinball|Pinball \\ Original|????||na|na|na|na|^Orig",
      "|Spaced|2001|Me|Spaced|VisualPinball|Pinball \\ Original|????||na|na|na|na|^Spaced",
      "|Table Deluxe|1995|Maker|Table|VisualPinball|Pinball \\ Simulation|????||na|na|na|na|"
      "^Table Deluxe",
      "|Table|1994|Maker|Table|VisualPinball|Pinball \\ Simulation|????||na|na|na|na|^Table",
      "||1990|Nobody||VisualPinball|Pinball \\ Simulation|????||na|na|na|na|^",
  };
  const std::vector<std::string_view>& items = run.List1.Items();
  EXPECT_EQ(std::vector<std::string>(items.begin(), items.end()), expected);
}

}  // namespace
}  // namespace tabulon
