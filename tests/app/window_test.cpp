// The main window on Qt's offscreen platform: runs from the button and in silent mode, their
// look, runs that end early, the message boxes, and the repaint pace.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/window/listtest.h"
#include "testing/temp_dir.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tabulon {
namespace {

// A copy of the demo front end without its mame.cfg: the dats alone, without Debian's MAME.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CopyDemoFrontEnd(dir_);
    // The boxes are modal and wait for the user: note each one and close it.
    QObject::connect(&box_poll_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      const char* icons[] = {"no icon", "information", "exclamation", "critical", "question"};
      boxes_.push_back(std::string(icons[box->icon()]) +
                       (box->standardButtons() == QMessageBox::Ok ? ", OK|" : ", other buttons|") +
                       (box->windowTitle() + "|" + box->text()).toStdString());
      box->reject();
    });
    box_poll_.start(5);
  }
  std::string App() const { return dir_ / "Tabulon"; }
  std::string MasterList() const { return testing::ReadFile(dir_ / "masterlist.lst"); }
  template <typename T = QLabel>
  static T* Child(const QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
  }
  static void Click(const QWidget& window) { Child<QPushButton>(window, "Command1")->click(); }
  // Calls `check` at every repaint of the run, which here is every yield.
  void DuringRun(Listtest& window, std::function<void()> check) {
    window.set_repaint_interval(std::chrono::milliseconds(0));
    QObject::disconnect(&run_poll_, &QTimer::timeout, nullptr, nullptr);
    QObject::connect(&run_poll_, &QTimer::timeout, [&window, check = std::move(check)] {
      if (window.running()) check();
    });
    run_poll_.start(0);
  }

  testing::TempDir dir_;
  QTimer box_poll_, run_poll_;
  std::vector<std::string> boxes_;
};

TEST_F(WindowTest, RunsFromTheButtonAgainAndAgain) {
  Listtest window(false, App());
  window.show();
  ASSERT_EQ(window.logicalDpiX(), 96);  // 15 twips to a pixel
  EXPECT_EQ(window.size(), QSize(429, 298));
  EXPECT_EQ(Child<QListWidget>(window, "File1")->count(), 3);
  int presses = 0;
  DuringRun(window, [&] {
    EXPECT_FALSE(Child<QPushButton>(window, "Command1")->isEnabled());
    window.Command1_Click();  // as a press would, were the button not disabled
    ++presses;
  });
  for (int run = 0; run < 2; ++run) {
    Click(window);
    EXPECT_EQ(MasterList(), testing::DemoMasterList());  // nothing doubled by a nested run
    EXPECT_EQ(Child(window, "lStatus")->text(), "List Creation Complete");
    EXPECT_FALSE(Child(window, "lbldisclaimer")->isVisible() ||
                 Child<QWidget>(window, "File1")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(window, "Command1")->isEnabled());
    // The slots keep the last game read, from VPLAUNCHER.DAT, the last dat of the list.
    EXPECT_EQ(Child(window, "lrom")->text(), "Space Station Zero");
    // The whole text is in the tooltip when the label is too narrow for it.
    const QLabel* written = Child(window, "lWritten");
    EXPECT_EQ((written->toolTip().isEmpty() ? written->text() : written->toolTip()).toStdString(),
              "16 lines written to " + dir_ / "masterlist.lst");
  }
  EXPECT_GT(presses, 0);
}

// tabulon.ini brings a row under the button: the window grows, and a click on the check box
// writes the file.
TEST_F(WindowTest, TheShapingRow) {
  testing::WriteFile(App() + "/tabulon.ini", "[Shaping]\r\nEnabled=1\r\n");
  Listtest window(false, App());
  window.show();
  EXPECT_EQ(window.size(), QSize(429, 330));
  Child<QCheckBox>(window, "chkShaping")->click();
  EXPECT_EQ(testing::ReadFile(App() + "/tabulon.ini"), "[Shaping]\r\nEnabled=0\r\n");
}

// Closing the window during a run stops it and leaves the old list, and no half category file;
// in silent mode the program then ends with exit status 1. (A run that fails is the form's.)
TEST_F(WindowTest, ClosingDuringARunKeepsThePreviousList) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent mode" : "from the button");
    testing::WriteFile(dir_ / "masterlist.lst", "previous\r\n");
    Listtest window(silent, App());
    DuringRun(window, [&] {
      if (window.windowTitle() == "Parsing GCE - Vectrex Dat File") window.close();
    });
    window.show();
    if (silent) {  // black, without the button and the dat list, with white text
      EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::black));
      EXPECT_FALSE(Child<QWidget>(window, "Command1")->isVisible() ||
                   Child<QWidget>(window, "File1")->isVisible());
      EXPECT_EQ(Child(window, "lStatus")->palette().color(QPalette::WindowText), QColor(Qt::white));
    } else {
      Click(window);
    }
    EXPECT_TRUE(!silent || QTest::qWaitFor([&] { return window.exit_code() >= 0; }, 60000));
    EXPECT_EQ(window.exit_code(), silent ? 1 : -1);
    EXPECT_EQ(MasterList(), "previous\r\n");
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(testing::FileExists(App() + "/catvers/GCE - Vectrexcatver.ini"));
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

// A folder whose working folders cannot be made shows its box and ends the program, before the
// event loop runs.
TEST_F(WindowTest, FailuresThatEndTheProgram) {
  testing::WriteFile(dir_ / "File", "");
  testing::WriteFile(dir_ / "masterlist.lst", "previous\r\n");
  Listtest unusable(false, dir_ / "File");
  unusable.show();
  // Silent mode's 2 ms timer must start no run behind the box.
  Listtest unusable_silent(true, dir_ / "File");
  unusable_silent.show();
  QTest::qWait(20);
  EXPECT_EQ(MasterList(), "previous\r\n");
  for (const Listtest* window : {&unusable, &unusable_silent}) {
    EXPECT_EQ(window->exit_code(), 1);
    EXPECT_FALSE(window->isVisible());
  }
  // Silent mode shows none.
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_TRUE(boxes_[0].starts_with("critical, OK|Tabulon Version 5.0|" +
                                    dir_ / "File/dats: cannot make the folder: Not a directory"))
      << boxes_[0];
}

// The real program, in the application folder it runs in. --help and --version need no display
// and make no folder; without a display the window says so in one line. Silent mode never waits
// for a click, so a failure ends the program too.
TEST_F(WindowTest, TheProgramItself) {
  const std::string bare = dir_ / "Bare";
  std::filesystem::create_directory(bare);
  for (const std::string& folder : {bare, App()})
    std::filesystem::copy_file(TABULON_WINDOW_EXE, folder + "/tabulon");
  // After the silent run that wrote the list, one that cannot write it.
  const std::function<void()> list_is_a_folder = [&] {
    EXPECT_EQ(MasterList(), testing::DemoMasterList());
    std::filesystem::remove(dir_ / "masterlist.lst");
    std::filesystem::create_directory(dir_ / "masterlist.lst");
  };
  struct Case {
    std::string folder;
    QStringList args;
    int status;
    std::string out, err;
    std::function<void()> before;
  };
  const Case cases[] = {
      {bare, {"--help"}, 0, "\n  " + bare + "\ntabulon-cli, beside it, is the same run", "", {}},
      {bare, {"--version"}, 0, "tabulon (Tabulon Version 5.0)\n", "", {}},
      {bare, {}, 1, "", "tabulon: cannot open the window: there is no display", {}},
      {App(), {"/S", "-s"}, 0, "", "", {}},
      {App(), {"-S"}, 1, "", "tabulon: error: " + dir_ / "masterlist.lst", list_is_a_folder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    if (c.before) c.before();
    QProcess process;
    // The bare folder's runs have no display at all; the others run on the offscreen platform.
    if (c.folder == bare) {
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
      process.setProcessEnvironment(environment);
    }
    process.start(QString::fromStdString(c.folder + "/tabulon"), c.args);
    ASSERT_TRUE(process.waitForFinished(60000)) << process.errorString().toStdString();
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), c.status) << err;
    EXPECT_CONTAINS(process.readAllStandardOutput().toStdString(), c.out);
    EXPECT_CONTAINS(err, c.err);
    if (c.folder == bare && c.status != 0) {
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(bare + "/dats"));
  EXPECT_CONTAINS(testing::ReadFile(App() + "/tabulonreport.txt"), "The run failed: ");
  // A SIGTERM while the box of a failed start waits for a click closes it and ends the program.
  testing::WriteFile(bare + "/dats", "");
  QProcess boxed;
  boxed.start(QString::fromStdString(bare + "/tabulon"));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return testing::FileExists(bare + "/tabulonreport.txt"); }, 60000));
  boxed.terminate();
  EXPECT_TRUE(boxed.waitForFinished(60000) && boxed.exitCode() == 143) << boxed.exitCode();
}

// A status text too long for its line at the smallest font is cut in the middle; the title and
// the tooltip keep it whole.
TEST_F(WindowTest, ALongStatusTextIsCutInTheMiddle) {
  const std::string text = "Parsing " + std::string(200, 'x') + " Dat File";
  Listtest window(false, App(), [&](RunState& run, auto*) {
    run.ShowStatus(text);
    return GenerationResult{};
  });
  window.show();
  Click(window);
  const QLabel* status = Child(window, "lStatus");
  EXPECT_EQ(status->font().pointSizeF(), kStatusMinPoints);
  EXPECT_TRUE(status->text().startsWith("Parsing xx") && status->text().endsWith("xx Dat File") &&
              status->text().contains(QChar(0x2026)))
      << status->text().toStdString();
  EXPECT_LE(status->geometry().right(), TwipsToPixels(kStatusRightEdge, 96));
  EXPECT_EQ(status->toolTip().toStdString(), text);
  EXPECT_EQ(window.windowTitle().toStdString(), text);
}

// What the shell gives the form of a press and of a run: whether Shift was held (then MAME runs
// even when its lists could be reused), and the clock the form paces a run's repaints by, one per
// 10 ms, on a clock that may be a few milliseconds coarse.
TEST_F(WindowTest, ShiftOnTheButtonAndTheRepaintPace) {
  std::vector<bool> refresh;
  int passes = 0;
  Listtest window(false, App(), [&](RunState& run, auto*) {
    refresh.push_back(run.refresh_mame);
    QElapsedTimer clock;
    clock.start();
    for (passes = 0; clock.elapsed() < 100;) run.Yield();
    EXPECT_LE(passes, clock.elapsed() / 5 + 2) << clock.elapsed() << " ms";
    return GenerationResult{};
  });
  window.show();
  // Counts the passes through the event loop: a queued call that queues itself again runs once
  // per pass.
  std::function<void()> again = [&] {
    ++passes;
    QMetaObject::invokeMethod(&window, again, Qt::QueuedConnection);
  };
  again();
  Click(window);
  QTest::mouseClick(Child<QPushButton>(window, "Command1"), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(refresh, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace tabulon

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
