// Line reading with CR LF / CR line ends, or LF in a file without CR. Atomic writing is seen to
// keep the old file when a run fails in the CLI, window and conversion tests.
#include "platform/text_io.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(LineReaderTest, LineEnds) {
  // With a CR anywhere in the file, a lone LF stays in the line; without one, LF ends lines. The
  // last line end makes no extra empty line. The reader reads 256 KiB at a time: a CR as a
  // block's last byte must still pair with the LF that starts the next block, and a CR found
  // only after the first block still rules the whole file.
  const std::string block((1 << 18) - 1, 'x');
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\n\nc", {"a", "b", "", "c"}},
      {"a\nb\r\nc", {"a\nb", "c"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\r\n", {"", ""}},
      {block + "\r\nsecond\r\n", {block, "second"}},
      {block + "\n\nsecond\n", {block, "", "second"}},
      {block + "\n\nsecond\r", {block + "\n\nsecond"}}};
  TempDir dir;
  for (size_t i = 0; i < std::size(cases); ++i) {
    WriteFile(dir / "f.txt", cases[i].first);
    LineReader reader(dir / "f.txt");
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(&line);) lines.push_back(line);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(lines, cases[i].second) << "case " << i;
  }
  // Why the file cannot be opened is the system's own text.
  EXPECT_TRUE(testing::ErrorOf([&] {
                LineReader reader(dir / "absent.dat");
              }).starts_with(dir / "absent.dat: cannot open: "));
}

}  // namespace
}  // namespace tabulon
