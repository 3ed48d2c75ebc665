// Test helpers: a temporary application folder per fixture, file helpers, a view that records
// what the engine shows, and the real public data of tests/data as the build unpacked it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "records/run_state.h"

// Expects `part` somewhere in `text`, and shows the text when it is not there.
#define EXPECT_CONTAINS(text, part) EXPECT_PRED_FORMAT2(::testing::IsSubstring, part, text)

namespace tabulon::testing {

// `relative` in `folder`, its "/" written as the system writes a path.
std::string In(const std::string& folder, std::string relative);
inline bool OnWindows() { return PathSeparator() == '\\'; }

// A fresh folder under the system's temp folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // A path in the folder, with the separator the program prints: "a/b" is a\b on Windows.
  std::string operator/(const std::string& relative) const { return In(path_, relative); }

 private:
  std::string path_;
};

// Writes bytes to `path`, making its folders.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Joins lines with CR LF after each.
std::string CrLf(const std::vector<std::string>& lines);
// The text with each LF that has no CR before it made a CR LF, as the files are on the Windows
// cabinets they were made for.
std::string ToCrLf(std::string_view text);
// Splits text at CR LF; a final CR LF gives no extra empty piece.
std::vector<std::string> SplitCrLf(const std::string& text);

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
// The first of `lines` that starts with `prefix`, or an empty text when none does.
std::string LineStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
// The message of the tabulon::Error that `action` throws, or "no error" when it throws none.
std::string ErrorOf(const std::function<void()>& action);

// Copies the demo front end of examples/frontend into `dir`, without its cfgs/mame.cfg, which
// names Debian's MAME: the dats alone. DemoMasterList() is the master list it gives, checked by
// hand.
void CopyDemoFrontEnd(const TempDir& dir);
std::string DemoMasterList();

// Path of a file of tests/data, unpacked (`relative` names the file, not its .tar.xz).
std::string TestData(const std::string& relative);
// A file of tests/data with CR LF line ends.
inline std::string TestDataAsCrLf(const std::string& relative) {
  return ToCrLf(ReadFile(TestData(relative)));
}

class RecordingView : public View {
 public:
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void Warning(const std::string& text) override { warnings.push_back(text); }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back(title + "\n" + text);
  }
  std::vector<std::string> statuses;
  std::vector<std::string> warnings;
  std::vector<std::string> messages;
};

}  // namespace tabulon::testing
