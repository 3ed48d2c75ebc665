// Line reading with CR LF / CR line ends, or LF in a file without CR, from a file or from text
// another thread is still writing. Atomic writing is seen to keep the old file when a run fails
// in the CLI, window and conversion tests.
#include "platform/text_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/error.h"
#include "platform/text_channel.h"
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
  // clang-format off
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}}, {"a\r\nb\r\n", {"a", "b"}}, {"a\rb\r", {"a", "b"}}, {"a\r\n\r\n", {"a", ""}},
      {"a\nb\n\nc", {"a", "b", "", "c"}}, {"a\nb\r\nc", {"a\nb", "c"}}, {"\r\r\n", {"", ""}},
      {block + "\r\nsecond\r\n", {block, "second"}}, {block + "\n\nsecond\r", {block + "\n\nsecond"}},
      {block + "\n\nsecond\n", {block, "", "second"}}};
  // clang-format on
  auto read_all = [](LineReader& reader) {
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(&line);) lines.push_back(line);
    EXPECT_TRUE(reader.AtEnd());
    return lines;
  };
  TempDir dir;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string& text = cases[i].first;
    WriteFile(dir / "f.txt", text);
    LineReader reader(dir / "f.txt");
    EXPECT_EQ(read_all(reader), cases[i].second) << "case " << i;
    // Text with CRs, written three bytes at a time while it is read: line ends split between
    // two writes, and reads that find nothing written yet.
    if (text.find('\r') == std::string::npos) continue;
    auto channel = std::make_shared<TextChannel>();
    std::thread writer([&] {
      for (size_t at = 0; at < text.size(); at += 3) channel->Write(text.substr(at, 3));
      channel->End();
    });
    ChannelLineReader queued(channel, "queued");
    EXPECT_EQ(read_all(queued), cases[i].second) << "case " << i << ", queued";
    writer.join();
  }
  // Why the file cannot be opened is the system's own text.
  const std::string error = testing::ErrorOf([&] { LineReader reader(dir / "absent.dat"); });
  EXPECT_TRUE(error.starts_with(dir / "absent.dat: cannot open: ")) << error;
}

// Text that will never be complete stops its reader, also one waiting for more, and at once;
// text that failed is read up to its failure. Three channels read in step share one budget: the
// writer, asking for room only where all three hold the same rows, is held to it.
TEST(ChannelLineReaderTest, AbandonedFailedAndBudgetedText) {
  for (const bool abandon : {true, false}) {
    auto channel = std::make_shared<TextChannel>();
    channel->Write("first\r\nsecond");
    ChannelLineReader reader(channel, "queued");
    std::string line;
    ASSERT_TRUE(reader.ReadLine(&line) && line == "first");
    std::thread end([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (abandon) return channel->Abandon();
      channel->Write(" line\r\n");
      channel->Fail(std::make_exception_ptr(Error("x.xml", 3, "malformed")));
    });
    if (abandon) {
      EXPECT_THROW(reader.ReadLine(&line), TextChannel::Abandoned);
    } else {
      EXPECT_TRUE(reader.ReadLine(&line) && line == "second line");
      EXPECT_EQ(testing::ErrorOf([&] { reader.ReadLine(&line); }), "x.xml:3: malformed");
    }
    end.join();
  }
  auto budget = std::make_shared<TextBudget>(1000);
  std::shared_ptr<TextChannel> lists[3];
  for (auto& list : lists) list = std::make_shared<TextChannel>(budget);
  std::thread writer([&] {
    for (int row = 0; row < 2000; ++row) {
      for (auto& list : lists) list->Write("row " + std::to_string(row) + "\r\n");
      if (row % 10 == 9) budget->WaitForRoom(std::stop_token());
    }
    for (auto& list : lists) list->End();
  });
  // Reading starts once the writer is over the limit, so a writer that does not wait runs ahead.
  while (budget->most_held() <= 1000) std::this_thread::yield();
  ChannelLineReader readers[3] = {{lists[0], "a"}, {lists[1], "b"}, {lists[2], "c"}};
  std::string lines[3];
  int rows = 0;
  while (readers[0].ReadLine(&lines[0]) && readers[1].ReadLine(&lines[1]) &&
         readers[2].ReadLine(&lines[2]) && lines[0] == lines[1] && lines[1] == lines[2])
    ++rows;
  writer.join();
  EXPECT_EQ(rows, 2000);
  // The limit, and one round of ten rows written before the writer asks again.
  EXPECT_LE(budget->most_held(), 1000u + 10 * 3 * 10);
}

// A full disk is named as such, also when calls between the write that failed and Commit() set
// errno (a look for a file that is not there). Skipped where no tmpfs can be mounted.
TEST(AtomicTextWriterTest, AFullDiskIsNamed) {
  TempDir dir;
  const std::string mount = "mount -t tmpfs -o size=64k tmpfs '" + dir.path() + "' 2>/dev/null";
  if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "no tmpfs";
  auto writer = std::make_unique<AtomicTextWriter>(dir / "full.txt");
  writer->Write(std::string(1 << 20, 'x'));
  errno = ENOENT;
  const std::string error = testing::ErrorOf([&] { writer->Commit(); });
  writer.reset();
  EXPECT_EQ(std::system(("umount '" + dir.path() + "'").c_str()), 0);
  EXPECT_EQ(error, dir / "full.txt: cannot write: " + ErrnoText(ENOSPC));
}

}  // namespace
}  // namespace tabulon
