// The window's behaviour without a toolkit: the command line, the text it shows, the warnings at
// the end of a run and the repaint pace, on a recording window with a clock the test moves.
#include "app/form/form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/form/command_line.h"
#include "app/form/display_text.h"
#include "platform/error.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(CommandLineTest, SilentModeAndHelpExamples) {
  using enum WindowStart;
  const std::pair<const char*, WindowStart> cases[] = {
      {"-S", kSilent},    {"-s", kSilent},        {"/S -S", kSilent},   {"x-S", kSilent},
      {"-S -V", kWindow}, {"-Sx", kWindow},       {"--S", kWindow},     {"", kWindow},
      {"S", kWindow},     {"/S", kWindow},        {"--help", kHelp},    {"x -h", kHelp},
      {"/?", kHelp},      {"-S --help", kHelp},   {"--helpx", kWindow}, {"--version", kVersion},
      {"/? -S", kSilent}, {"--version -h", kHelp}};
  for (const auto& [line, start] : cases)
    EXPECT_EQ(static_cast<int>(ParseWindowStart(line)), static_cast<int>(start)) << line;
}

TEST(CommandLineTest, WindowsCommandLineAfterTheProgramName) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {R"("C:\Front End\Tabulon\tabulon.exe" -S)", "-S"}, {R"("C:\Tabulon\tabulon.exe"-S)", "-S"},
      {"tabulon.exe \t /S -S ", "/S -S "}, {"tabulon.exe", ""}, {R"("C:\unclosed -S)", ""}};
  // clang-format on
  for (const auto& [line, rest] : cases) EXPECT_EQ(CommandLineAfterProgram(line), rest) << line;
}

TEST(DisplayTextTest, Utf8StaysAndAnythingElseIsWindows1252) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"Pok\xC3\xA9mon \xE2\x82\xAC \xF0\x9F\x95\xB9", "Pok\xC3\xA9mon \xE2\x82\xAC \xF0\x9F\x95\xB9"},
      {"Pok\xE9mon", "Pok\xC3\xA9mon"}, {"caf\xC3", "caf\xC3\x83"},  // cut off
      {"\x80\x81\x9F", "\xE2\x82\xAC\xC2\x81\xC5\xB8"},  // the euro sign, a gap, Y with diaeresis
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // an overlong "/"
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},          // U+10FFFF, the last there is
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"}};  // past U+10FFFF
  // clang-format on
  for (const auto& [bytes, shown] : cases) EXPECT_EQ(DisplayText(bytes), shown) << bytes;
}

TEST(ElideMiddleTest, KeepsBothEndsAndWholeCharacters) {
  // Room for `n` characters, "\u2026" counting as one.
  const auto room = [](size_t n) {
    return [n](const std::string& text) {
      size_t characters = 0;
      for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
      return characters <= n;
    };
  };
  // clang-format off
  const std::tuple<const char*, size_t, const char*> cases[] = {
      {"Parsing Atari 2600 Dat File", 27, "Parsing Atari 2600 Dat File"},
      {"Parsing Atari 2600 Dat File", 10, "Parsi\xE2\x80\xA6" "File"},
      {"Pok\xC3\xA9mon Stadium", 8, "Pok\xC3\xA9\xE2\x80\xA6ium"}, {"abc", 0, "\xE2\x80\xA6"}};
  // clang-format on
  for (const auto& [text, n, shown] : cases) EXPECT_EQ(ElideMiddle(text, room(n)), shown) << n;
}

class RecordingWindow : public FormWindow {
 public:
  void SetTitle(const std::string& text) override { title = text; }
  void SetText(Control control, const std::string& text) override { texts[control] = text; }
  void SetItems(Control, const std::vector<std::string>&) override {}
  void SetVisible(Control control, bool shown) override { visible[control] = shown; }
  void SetEnabled(Control, bool) override {}
  bool IsChecked(Control control) const override {
    return checked.contains(control) && checked.at(control);
  }
  void SetChecked(Control control, bool check) override { checked[control] = check; }
  void SetClientHeight(int twips) override { client_height = twips; }
  bool OpenInEditor(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  void SetDarkWindow() override {}
  void SetWhiteText(Control) override {}
  void ShowMessageBox(MessageIcon icon, const std::string& box_title,
                      const std::string& text) override {
    boxes.push_back((icon == MessageIcon::kCritical ? "critical|" : "exclamation|") + box_title +
                    "|" + text);
    if (interrupt_in_box == 0) return;
    // The signal comes while the box waits, and the poll fires inside the box's own loop.
    interrupt = interrupt_in_box;
    form->TimerFired(FormTimer::kInterruptPoll);
  }
  void CloseMessageBox() override { ++boxes_closed; }
  void ProcessEvents() override { ++repaints; }
  void StartTimer(FormTimer, std::chrono::milliseconds) override {}
  void StopTimer(FormTimer) override {}
  void CloseWindow() override {}
  void EndProgram(int code) override { exit_code = code; }
  std::chrono::nanoseconds Now() const override { return now; }
  int PendingInterrupt() const override { return interrupt; }

  std::string title;
  std::map<Control, std::string> texts;
  std::map<Control, bool> visible, checked;
  int client_height = 0;
  std::vector<std::string> opened, boxes;
  int repaints = 0;
  int exit_code = -1;
  std::chrono::nanoseconds now{std::chrono::hours(1)};
  Form* form = nullptr;
  int interrupt = 0, interrupt_in_box = 0, boxes_closed = 0;
};

class FormTest : public ::testing::Test {
 protected:
  // A form whose run warns `warnings` times, then fails with `failure` unless it is empty; a
  // failure "MAME" is MAME's listinfo run that could not be waited on, after MAME's message, and
  // "dats" a dats/ that cannot be made. A run that does not fail writes 16 lines. Silent mode's
  // timer starts the run by itself.
  void Run(int warnings, const std::string& failure = "", bool silent = false) {
    window_.exit_code = -1;
    window_.interrupt = window_.boxes_closed = 0;
    if (failure == "dats") {
      std::filesystem::remove(FsPath(dir_ / "dats"));
      testing::WriteFile(dir_ / "dats", "");
    }
    Form form(window_, silent, dir_.path(), [&](RunState& run, std::vector<std::string>*) {
      for (int i = 1; i <= warnings; ++i) run.Warn("warning " + std::to_string(i));
      if (failure == "MAME") {
        run.view->ShowMessage("Error Accessing Mame", "Mame could not be run.");
        throw MameListinfoFailed("listinfo.bat", "gone");
      }
      if (!failure.empty()) throw Error("masterlist.lst", failure);
      run.ShowStatus("List Creation Complete");
      return GenerationResult{dir_ / "masterlist.lst", 16};
    });
    window_.form = &form;
    form.Form_Initialize();
    form.Form_Load();
    if (silent) {
      form.Timer1_Timer();
    } else {
      form.Command1_Click();
    }
    // The interrupt poll after the run, without an interrupt: the program goes on.
    form.TimerFired(FormTimer::kInterruptPoll);
  }

  testing::TempDir dir_;
  RecordingWindow window_;
};

TEST_F(FormTest, WarningsAreListedAtTheEndOfAWrittenListOnly) {
  Run(1);
  EXPECT_EQ(window_.boxes,
            std::vector<std::string>{"exclamation|Tabulon Version 5.0|The list was written, with 1 "
                                     "warning:\n\nwarning 1\n\nAll of them are in " +
                                     dir_ / "tabulonreport.txt" + "."});
  EXPECT_EQ(window_.texts[Control::lWritten], "16 lines written to " + dir_ / "masterlist.lst");
  EXPECT_EQ(window_.exit_code, -1);
  window_.boxes.clear();
  Run(23);
  ASSERT_EQ(window_.boxes.size(), 1u);
  const std::string& box = window_.boxes[0];
  EXPECT_EQ(box.substr(0, box.find("\n\n")),
            "exclamation|Tabulon Version 5.0|The list was written, with 23 warnings:");
  EXPECT_NE(box.find("\n\nwarning 20\n\n... and 3 more.\n\nAll of them"), std::string::npos);
  EXPECT_EQ(box.find("warning 21"), std::string::npos);

  // A failed run shows its failure instead. (Silent mode shows none: the program itself runs so
  // in the window tests.)
  window_.boxes.clear();
  Run(5, "cannot write: Is a directory");
  EXPECT_EQ(window_.boxes,
            std::vector<std::string>{
                "critical|Tabulon Version 5.0|masterlist.lst: cannot write: Is a directory\n\n"
                "The master list was not written; the previous one is unchanged."});
  EXPECT_EQ(window_.title, "List Creation Failed");
  EXPECT_EQ(window_.texts[Control::lStatus], "List Creation Failed");
  EXPECT_EQ(window_.texts[Control::lWritten], "");
}

// Nobody watches a silent window: no failure may wait for a click.
TEST_F(FormTest, SilentModeShowsNoBoxAndEndsWithStatus1AfterAFailure) {
  const std::pair<const char*, std::string> cases[] = {
      {"cannot write: Is a directory", "tabulon: error: masterlist.lst: cannot write"},
      {"MAME", "tabulon: Error Accessing Mame: Mame could not be run."},
      {"dats", "tabulon: error: " + dir_ / "dats"}};
  for (const auto& [failure, message] : cases) {
    ::testing::internal::CaptureStderr();
    Run(2, failure, true);
    EXPECT_CONTAINS(::testing::internal::GetCapturedStderr(), message);
    EXPECT_EQ(window_.exit_code, 1) << message;
  }
  EXPECT_EQ(window_.boxes, std::vector<std::string>{});
  EXPECT_CONTAINS(testing::ReadFile(dir_ / "tabulonreport.txt"),
                  "The run could not start: " + dir_ / "dats");
}

// A SIGTERM while a box waits for a click closes it, and the program ends as it would at any
// other time: a run that showed the box stops as at a yield, and says so.
TEST_F(FormTest, AnInterruptClosesTheOpenBoxAndEndsTheProgram) {
  const std::string stopped =
      "tabulon: the run was stopped by SIGTERM; the master list and category files are unchanged\n";
  // The warnings at the end, a failed run, MAME's message during the run, and start-up.
  const std::pair<int, std::string> cases[] = {
      {2, ""}, {0, "cannot write"}, {0, "MAME"}, {0, "dats"}};
  window_.interrupt_in_box = 15;
  for (const auto& [warnings, failure] : cases) {
    ::testing::internal::CaptureStderr();
    Run(warnings, failure);
    EXPECT_EQ(::testing::internal::GetCapturedStderr().ends_with(stopped), failure == "MAME")
        << failure;
    EXPECT_EQ(std::pair(window_.exit_code, window_.boxes_closed), std::pair(143, 1)) << failure;
  }
  EXPECT_EQ(window_.boxes[2], "exclamation|Error Accessing Mame|Mame could not be run.");
}

// Only with tabulon.ini does the window grow a row, for the check box that writes its [Shaping]
// Enabled and the button that opens it; a shaped run says how many of MAME's games it kept.
TEST_F(FormTest, TheShapingRowComesWithTabulonIni) {
  const std::string ini = dir_ / "tabulon.ini";
  for (const bool with_file : {false, true}) {
    if (with_file) testing::WriteFile(ini, "[Shaping]\r\nEnabled=0\r\n");
    Form form(window_, false, dir_.path(), [&](RunState& run, std::vector<std::string>*) {
      run.ShowStatus("List Creation Complete");
      return GenerationResult{dir_ / "masterlist.lst", 16, with_file, 10, 3};
    });
    form.Form_Load();
    form.Command1_Click();
    EXPECT_EQ(window_.title, with_file ? "List Creation Complete (3 of 10 MAME games kept)"
                                       : "List Creation Complete");
    if (!with_file) {
      EXPECT_EQ(std::pair(window_.client_height, window_.visible.size()), std::pair(0, size_t{0}));
      continue;
    }
    EXPECT_EQ(window_.client_height, kClientHeightWithShaping);
    EXPECT_TRUE(window_.visible[Control::chkShaping] && window_.visible[Control::cmdSettings]);
    EXPECT_FALSE(window_.checked[Control::chkShaping]);
    window_.checked[Control::chkShaping] = true;
    form.chkShaping_Click();
    EXPECT_EQ(testing::ReadFile(ini), "[Shaping]\r\nEnabled=1\r\n");
    form.cmdSettings_Click();
    EXPECT_EQ(window_.opened, std::vector<std::string>{ini});
  }
}

TEST_F(FormTest, RepaintsOncePerIntervalWithTheGameBeingRead) {
  std::vector<std::string> shown;
  Form form(window_, false, dir_.path(), [&](RunState& run, std::vector<std::string>*) {
    for (int ms = 1; ms <= 100; ++ms) {
      window_.now += std::chrono::milliseconds(1);
      run.slots.lrom = "game " + std::to_string(ms);
      run.Yield();
      // The slots show the game of the latest repaint.
      if (ms == 1 || ms == 15) shown.push_back(window_.texts[Control::lrom]);
    }
    return GenerationResult{};
  });
  form.Form_Load();
  form.Command1_Click();
  // Once right away, then at every tenth millisecond.
  EXPECT_EQ(window_.repaints, 10);
  EXPECT_EQ(shown, (std::vector<std::string>{"game 1", "game 11"}));
}

}  // namespace
}  // namespace tabulon
