// Line reading with CR LF / CR line ends, and atomic writing.
#include "platform/text_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> ReadAll(const std::string& path) {
  LineReader reader(path);
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(&line)) lines.push_back(line);
  EXPECT_TRUE(reader.AtEnd());
  return lines;
}

TEST(LineReaderTest, LineEnds) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\r\nc", {"a\nb", "c"}},  // a lone LF stays in the line
      {"a\r\n\r\n", {"a", ""}},      // no extra empty line after the last line end
      {"a\r\n\r\n\r\n", {"a", "", ""}},
      {"\r\r\n", {"", ""}},
      {"x\n", {"x\n"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "f.txt", c.bytes);
    EXPECT_EQ(ReadAll(dir / "f.txt"), c.lines) << "bytes: " << c.bytes;
  }
}

TEST(LineReaderTest, CrLfSplitAcrossReadBlocks) {
  // The reader reads 256 KiB at a time; a CR as the block's last byte must still pair with the
  // LF that starts the next block.
  TempDir dir;
  std::string first((1 << 18) - 1, 'x');
  WriteFile(dir / "big.txt", first + "\r\nsecond\r\n");
  std::vector<std::string> lines = ReadAll(dir / "big.txt");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1], "second");
}

TEST(AtomicTextWriterTest, TargetChangesOnlyOnCommit) {
  TempDir dir;
  WriteFile(dir / "out.lst", "old\r\n");
  {
    AtomicTextWriter writer(dir / "out.lst");
    writer.WriteLine("new");
  }  // abandoned, as when a run fails halfway
  EXPECT_EQ(ReadFile(dir / "out.lst"), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind

  AtomicTextWriter writer(dir / "out.lst");
  writer.WriteLine("new");
  writer.WriteLine("");
  writer.Commit();
  EXPECT_EQ(ReadFile(dir / "out.lst"), "new\r\n\r\n");
}

TEST(TextIoTest, FilesThatCannotBeOpenedAreErrorsNamingTheFile) {
  TempDir dir;
  EXPECT_EQ(testing::ErrorOf([&] { LineReader reader(dir / "absent.dat"); }),
            dir / "absent.dat: cannot open: " + testing::OpenFailure(dir / "absent.dat"));
  EXPECT_EQ(testing::ErrorOf([&] { AtomicTextWriter writer(dir / "no-such-folder/out.lst"); }),
            dir / "no-such-folder/out.lst: cannot write: " +
                testing::OpenFailure(dir / "no-such-folder/out.lst"));
}

}  // namespace
}  // namespace tabulon
