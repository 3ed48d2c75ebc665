// Line reading with CR LF / CR line ends. Atomic writing is seen to keep the old file when a
// run fails in the CLI, window and conversion tests.
#include "platform/text_io.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(LineReaderTest, LineEnds) {
  // A lone LF stays in the line; the last line end makes no extra empty line. The reader reads
  // 256 KiB at a time; a CR as a block's last byte must still pair with the LF that starts the
  // next block.
  const std::string block((1 << 18) - 1, 'x');
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\r\nc", {"a\nb", "c"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\r\n", {"", ""}},
      {block + "\r\nsecond\r\n", {block, "second"}}};
  TempDir dir;
  for (size_t i = 0; i < std::size(cases); ++i) {
    WriteFile(dir / "f.txt", cases[i].first);
    LineReader reader(dir / "f.txt");
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(&line);) lines.push_back(line);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(lines, cases[i].second) << "case " << i;
  }
  EXPECT_EQ(testing::ErrorOf([&] { LineReader reader(dir / "absent.dat"); }),
            dir / "absent.dat: cannot open: No such file or directory");
}

}  // namespace
}  // namespace tabulon
