// The main window: its controls, silent mode, and the generation run driven from the button or
// the timer.
#include "app/window/listtest.h"

#include <time.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <iostream>

#include "platform/error.h"
#include "platform/interrupts.h"

namespace tabulon {
namespace {

constexpr int kClientWidth = 6435;  // twips
constexpr int kClientHeight = 4470;
constexpr int kSlotLeft = 120;
constexpr int kSlotHeight = 312;
constexpr int kStatusLeft = 1440;
constexpr int kStatusTop = 3960;
constexpr int kStatusWidth = 72;
constexpr int kMarginRight = 120;

const char* const kTitle = "Tabulon Version 5.0";
const char* const kDisclaimer =
    "IMPORTANT NOTE:  This generator reads the mame.cfg file you have setup for the front end in "
    "the \"cfgs\" folder and makes it's own dat file by calling mame.  A mame dat file is not "
    "needed and shouldn't be included in this list.";

struct FieldSlotRow {
  const char* name;
  int top;  // twips
  std::string FieldSlots::*field;
};

constexpr FieldSlotRow kFieldSlots[] = {
    {"lrom", 240, &FieldSlots::lrom},        {"lDesc", 480, &FieldSlots::lDesc},
    {"lYear", 720, &FieldSlots::lYear},      {"LManu", 960, &FieldSlots::LManu},
    {"LClone", 1200, &FieldSlots::LClone},   {"LEmu", 1440, &FieldSlots::LEmu},
    {"lCat", 1680, &FieldSlots::lCat},       {"lVer", 1920, &FieldSlots::lVer},
    {"LDriver", 2280, &FieldSlots::LDriver}, {"LVideo", 2520, &FieldSlots::LVideo},
    {"LInput", 2760, &FieldSlots::LInput},   {"LDriverC", 3240, &FieldSlots::LDriverC},
};

// The labels that turn white in silent mode, in the order they are switched; lgame and the
// disclaimer keep their colours.
constexpr const char* kSilentWhiteLabels[] = {"lrom",   "lDesc",   "LEmu",    "lYear", "LManu",
                                              "LVideo", "LDriver", "LInput",  "lCat",  "lVer",
                                              "LClone", "lStatus", "LDriverC"};

// The engine yields at every line it reads, hundreds of thousands of times in a large list. The
// coarse clock costs a few nanoseconds where the precise one can cost tens, which a large list
// would notice; its resolution of a few milliseconds is plenty for pacing repaints.
std::chrono::nanoseconds CoarseNow() {
#ifdef CLOCK_MONOTONIC_COARSE
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
#else
  return std::chrono::steady_clock::now().time_since_epoch();
#endif
}

// Dats come as UTF-8 from today's tools and in the Windows code page 1252 from older ones;
// either way the text should read, not turn into replacement marks. 1252 is Latin-1 but for
// 0x80-0x9F, where it has the typographic quotes, dashes, the euro sign and a few letters.
QString ToQString(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  text.resize(static_cast<qsizetype>(bytes.size()));
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    text[static_cast<qsizetype>(i)] =
        QChar(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte});
  }
  return text;
}

// The field slots use this font on the cabinets the lists are made for; elsewhere the nearest
// sans font stands in, at the same size so the slots keep their line spacing.
QFont FieldSlotFont() {
  QFont font(QStringLiteral("@Arial Unicode MS"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(12);
  font.setWeight(QFont::Normal);
  return font;
}

// The layout was drawn for a narrower font than most systems have; shrink a control's font in
// half points until its caption fits, rather than cut the caption off.
void ShrinkFontToFit(QWidget* widget, const std::function<bool()>& fits) {
  QFont font = widget->font();
  while (!fits() && font.pointSizeF() > 6.0) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    widget->setFont(font);
  }
}

}  // namespace

Listtest::Listtest(bool silent_mode, std::string app_dir, RunFunction run)
    : run_(std::move(app_dir), this), run_function_(std::move(run)) {
  if (!run_function_) {
    run_function_ = [](RunState& state, std::vector<std::string>* files) {
      return RunGeneration(state, files);
    };
  }
  Form_Initialize(silent_mode);
}

Listtest::~Listtest() = default;

QRect Listtest::Twips(int left, int top, int width, int height) const {
  const double x = logicalDpiX() / 1440.0;
  const double y = logicalDpiY() / 1440.0;
  return QRect(qRound(left * x), qRound(top * y), qRound(width * x), qRound(height * y));
}

void Listtest::Form_Initialize(bool silent_mode) {
  silent_mode_ = silent_mode;
  setObjectName(QStringLiteral("listtest"));
  setWindowTitle(QString::fromLatin1(kTitle));
  // The classic dialog size; the default 9 points would not fit the disclaimer into its box.
  QFont window_font = font();
  window_font.setPointSize(8);
  setFont(window_font);
  const QSize client = Twips(0, 0, kClientWidth, kClientHeight).size();
  resize(client);

  // Created back to front: File1 covers the lower field slots until a run hides it.
  const int slot_width = kClientWidth - kSlotLeft - kMarginRight;
  for (const FieldSlotRow& row : kFieldSlots) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(row.name));
    label->setTextFormat(Qt::PlainText);  // a dat's "<b>" is text, not markup
    label->setFont(FieldSlotFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(Twips(kSlotLeft, row.top, slot_width, kSlotHeight));
    field_slots_.push_back(label);
  }

  lbldisclaimer = new QLabel(QString::fromLatin1(kDisclaimer), this);
  lbldisclaimer->setObjectName(QStringLiteral("lbldisclaimer"));
  lbldisclaimer->setWordWrap(true);
  lbldisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbldisclaimer->setGeometry(Twips(120, 120, 5652, 732));
  ShrinkFontToFit(lbldisclaimer, [this] {
    return lbldisclaimer->heightForWidth(lbldisclaimer->width()) <= lbldisclaimer->height();
  });

  File1 = new QListWidget(this);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setGeometry(Twips(120, 960, 5772, 2625));

  Command1 = new QPushButton(QStringLiteral("&Generate List"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(Twips(120, 3960, 1212, 372));
  ShrinkFontToFit(Command1, [this] { return Command1->sizeHint().width() <= Command1->width(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

  lStatus = new QLabel(this);
  lStatus->setObjectName(QStringLiteral("lStatus"));
  lStatus->setTextFormat(Qt::PlainText);
  lStatus->setFont(FieldSlotFont());
  lStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lStatus->setGeometry(Twips(kStatusLeft, kStatusTop, kStatusWidth, kSlotHeight));

  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setGeometry(Twips(5280, 2040, 972, 2010));
  List1->hide();

  lgame = new QLabel(QStringLiteral("Label1"), this);
  lgame->setObjectName(QStringLiteral("lgame"));
  lgame->setTextFormat(Qt::PlainText);
  lgame->setGeometry(Twips(3120, 1680, 612, 732));
  lgame->hide();

  // Nothing shows or sets it, so every run writes the normal layout; tabulon-cli offers the
  // other one.
  Quintara = new QCheckBox(QStringLiteral("Quintara Format"), this);
  Quintara->setObjectName(QStringLiteral("Quintara"));
  Quintara->hide();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(2);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

  // Ctrl+C, a service stop or a closed terminal between runs ends the program; during a run the
  // run sees it at its next yield and stops first.
  auto* interrupts = new QTimer(this);
  interrupts->setInterval(100);
  connect(interrupts, &QTimer::timeout, this, [this] {
    if (!running_ && InterruptSignal() != 0) EndProgram(128 + InterruptSignal());
  });
  interrupts->start();

  if (!silent_mode) return;

  // Silent mode runs unattended on a cabinet: no border icons, a frame that cannot be resized,
  // and a black window so the white progress text reads.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(client);
  QPalette dark = palette();
  dark.setColor(QPalette::Window, Qt::black);
  setPalette(dark);
  setAutoFillBackground(true);

  for (const char* name : kSilentWhiteLabels) {
    auto* label = findChild<QLabel*>(QString::fromLatin1(name));
    QPalette white = label->palette();
    white.setColor(QPalette::WindowText, QColor(0xFF, 0xFF, 0xFF));
    label->setPalette(white);
  }
  Command1->hide();
  File1->hide();
  Timer1->start();
}

void Listtest::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Listtest::Form_Load() {
  try {
    LoadAppFolder(run_, &dat_files_);
  } catch (const Error& e) {
    // No run may start behind the message box: silent mode's timer would otherwise fire while
    // it is open and replace the master list with an empty one.
    Timer1->stop();
    load_failed_ = true;
    ShowError(e.what(), tr("Tabulon cannot start without its dats and catvers folders."));
    EndProgram(1);
    return;
  }
  FillFile1();
}

void Listtest::Command1_Click() {
  if (running_ || exit_code_ >= 0 || load_failed_) return;
  running_ = true;
  stop_requested_ = false;
  Command1->setEnabled(false);
  run_.layout = Quintara->isChecked() ? RecordLayout::kQuintara : RecordLayout::kNormal;
  last_repaint_ = CoarseNow() - repaint_interval_;

  const QString not_written = tr("The master list was not written; the previous one is unchanged.");
  Outcome outcome = Outcome::kWritten;
  try {
    run_function_(run_, &dat_files_);
  } catch (const RunCancelled&) {
    outcome = Outcome::kStopped;
  } catch (const MameListinfoFailed&) {
    // The user has just acknowledged the MAME failure message; without MAME's own list the run
    // cannot go on, and the program ends.
    outcome = Outcome::kMameFailed;
  } catch (const Error& e) {
    outcome = Outcome::kFailed;
    ShowError(e.what(), not_written);
  } catch (const std::bad_alloc&) {
    outcome = Outcome::kFailed;
    ShowError("out of memory", not_written);
  } catch (const std::exception& e) {
    outcome = Outcome::kFailed;
    ShowError(e.what(), not_written);
  } catch (...) {
    outcome = Outcome::kFailed;
    ShowError("an unexpected failure", not_written);
  }
  if (outcome == Outcome::kFailed) ShowStatus("List Creation Failed");
  ShowSlots();
  FillFile1();  // the MAME step may have found new dats
  running_ = false;
  Command1->setEnabled(true);
  last_outcome_ = outcome;

  if (outcome == Outcome::kMameFailed) {
    EndProgram(1);
  } else if (InterruptSignal() != 0) {
    std::cerr << "tabulon: the run was stopped by " << SignalName(InterruptSignal())
              << "; the master list and category files are unchanged\n";
    EndProgram(128 + InterruptSignal());
  } else if (close_requested_) {
    close();
  } else if (outcome == Outcome::kWritten && !run_.warnings.empty() && !silent_mode_) {
    ShowWarnings();
  }
}

void Listtest::Timer1_Timer() {
  Timer1->stop();
  if (load_failed_) return;
  Command1_Click();
  EndProgram(last_outcome_ == Outcome::kWritten ? 0 : 1);
}

void Listtest::RunStarted() {
  lbldisclaimer->hide();
  File1->hide();
}

void Listtest::ShowStatus(const std::string& text) {
  setWindowTitle(ToQString(text));
  ShowStatusLine(windowTitle());
}

bool Listtest::Yield() {
  if (stop_requested_) return false;
  if (CoarseNow() - last_repaint_ < repaint_interval_) return true;
  ShowSlots();
  QCoreApplication::processEvents();
  last_repaint_ = CoarseNow();
  return !stop_requested_;
}

void Listtest::Warning(const std::string& text) {
  std::cerr << "tabulon: warning: " << text << '\n';
}

void Listtest::ShowMessage(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, ToQString(title), ToQString(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void Listtest::closeEvent(QCloseEvent* event) {
  if (!running_) {
    event->accept();
    return;
  }
  // The run is inside a yield, deep in the engine: ask it to stop, and close once it has
  // unwound, so neither the master list nor a category file is left half-written.
  stop_requested_ = true;
  close_requested_ = true;
  event->ignore();
}

void Listtest::ShowSlots() {
  for (size_t i = 0; i < field_slots_.size(); ++i) {
    QLabel* label = field_slots_[i];
    const QString text = ToQString(run_.slots.*kFieldSlots[i].field);
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
  }
  lgame->setText(ToQString(run_.lgame));
}

// lStatus grows with its text, up to the window's right margin. A longer text gets a smaller
// font rather than lose its end: the status texts tell the user what the run is doing.
void Listtest::ShowStatusLine(const QString& text) {
  const QRect box = Twips(kStatusLeft, kStatusTop, kStatusWidth, kSlotHeight);
  const int room = Twips(0, 0, kClientWidth - kStatusLeft - kMarginRight, 0).width();
  lStatus->setFont(FieldSlotFont());
  lStatus->setText(text);
  ShrinkFontToFit(lStatus, [&] { return lStatus->sizeHint().width() <= room; });
  lStatus->resize(std::clamp(lStatus->sizeHint().width(), box.width(), room), box.height());
}

void Listtest::FillFile1() {
  File1->clear();
  for (const std::string& name : dat_files_) File1->addItem(ToQString(name));
}

void Listtest::ShowWarnings() {
  // The full list is in tabulonreport.txt; a box with thousands of lines would not fit a screen.
  constexpr size_t kShown = 20;
  const std::vector<std::string>& warnings = run_.warnings;
  QString text = warnings.size() == 1
                     ? tr("The list was written, with 1 warning:")
                     : tr("The list was written, with %1 warnings:").arg(warnings.size());
  for (size_t i = 0; i < warnings.size() && i < kShown; ++i) {
    text += QStringLiteral("\n\n") + ToQString(warnings[i]);
  }
  if (warnings.size() > kShown) {
    text += QStringLiteral("\n\n") + tr("... and %1 more.").arg(warnings.size() - kShown);
  }
  text += QStringLiteral("\n\n") +
          tr("All of them are in %1.").arg(ToQString(run_.app_dir + "/tabulonreport.txt"));
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kTitle), text, QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("warnings"));
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void Listtest::ShowError(const std::string& what, const QString& consequence) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kTitle),
                  ToQString(what) + QStringLiteral("\n\n") + consequence, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void Listtest::EndProgram(int exit_code) {
  if (exit_code_ >= 0) return;
  exit_code_ = exit_code;
  Timer1->stop();
  hide();
  // Before the event loop runs (the window failed to load), main() returns exit_code() itself;
  // an exit() there would make every later event loop, a message box's too, return at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(exit_code);
}

}  // namespace tabulon
