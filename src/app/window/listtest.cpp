// The main window's widgets, made from the form's layout, and the form's requests carried out on
// them.
#include "app/window/listtest.h"

#include <time.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>

namespace tabulon {
namespace {

QString ToQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QFont SlotFont() {
  QFont font(QString::fromLatin1(kSlotFontFace));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(kSlotFontPoints);
  font.setWeight(QFont::Normal);
  return font;
}

// Shrinks a control's font as the form's rule says until `fits` agrees.
void ShrinkFontToFit(QWidget* widget, const std::function<bool()>& fits, double floor = 6) {
  QFont font = widget->font();
  font.setPointSizeF(FittingPointSize(
      font.pointSizeF(),
      [&](double points) {
        QFont tried = font;
        tried.setPointSizeF(points);
        widget->setFont(tried);
        return fits();
      },
      floor));
  widget->setFont(font);
}

}  // namespace

Listtest::Listtest(bool silent_mode, std::string app_dir, RunFunction run)
    : form_(*this, silent_mode, std::move(app_dir), std::move(run)) {
  setObjectName(QStringLiteral("listtest"));
  setWindowTitle(QString::fromLatin1(kTitle));
  QFont window_font = font();
  window_font.setPointSizeF(kWindowFontPoints);
  setFont(window_font);
  resize(Twips(0, 0, kClientWidth, kClientHeight).size());

  for (const ControlLayout& layout : kControls) {
    QWidget* control = nullptr;
    const QString caption = QString::fromUtf8(layout.caption);
    switch (layout.kind) {
      case ControlKind::kLabel: {
        auto* label = new QLabel(caption, this);
        label->setTextFormat(Qt::PlainText);  // a dat's "<b>" is text, not markup
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(layout.fit == TextFit::kWrapShrinkFont);
        control = label;
        break;
      }
      case ControlKind::kButton: {
        auto* button = new QPushButton(caption, this);
        connect(button, &QPushButton::clicked, this, [this, id = layout.id] {
          if (id == Control::cmdSettings) {
            form_.cmdSettings_Click();
          } else {
            // The modifiers as they were when the press came in.
            form_.Command1_Click(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
          }
        });
        control = button;
        break;
      }
      case ControlKind::kFileList:
      case ControlKind::kSortedList:
        control = new QListWidget(this);
        break;
      case ControlKind::kCheckBox: {
        auto* box = new QCheckBox(caption, this);
        // A click, not a change from SetChecked, writes the file.
        if (layout.id == Control::chkShaping) {
          connect(box, &QCheckBox::clicked, this, [this] { form_.chkShaping_Click(); });
        }
        control = box;
        break;
      }
    }
    control->setObjectName(QString::fromLatin1(layout.name));
    if (layout.slot_font) control->setFont(SlotFont());
    if (layout.width > 0) {
      control->setGeometry(Twips(layout.left, layout.top, layout.width, layout.height));
    }
    if (!layout.shown) control->hide();
    controls_[layout.id] = control;
  }

  auto* disclaimer = static_cast<QLabel*>(controls_[Control::lbldisclaimer]);
  ShrinkFontToFit(disclaimer, [disclaimer] {
    return disclaimer->heightForWidth(disclaimer->width()) <= disclaimer->height();
  });
  QWidget* button = controls_[Control::Command1];
  ShrinkFontToFit(button, [button] { return button->sizeHint().width() <= button->width(); });

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1, &QTimer::timeout, this, [this] { form_.TimerFired(FormTimer::kTimer1); });
  interrupt_poll_ = new QTimer(this);
  connect(interrupt_poll_, &QTimer::timeout, this,
          [this] { form_.TimerFired(FormTimer::kInterruptPoll); });

  form_.Form_Initialize();
}

Listtest::~Listtest() = default;

QRect Listtest::Twips(int left, int top, int width, int height) const {
  const int x = logicalDpiX();
  const int y = logicalDpiY();
  return QRect(TwipsToPixels(left, x), TwipsToPixels(top, y), TwipsToPixels(width, x),
               TwipsToPixels(height, y));
}

void Listtest::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  form_.Form_Load();
}

void Listtest::closeEvent(QCloseEvent* event) {
  if (form_.Form_QueryUnload()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void Listtest::SetTitle(const std::string& text) { setWindowTitle(ToQString(text)); }

void Listtest::SetText(Control control, const std::string& text) {
  auto* label = static_cast<QLabel*>(controls_.at(control));
  const QString shown = ToQString(text);
  switch (LayoutOf(control).fit) {
    case TextFit::kElide:
      label->setText(label->fontMetrics().elidedText(shown, Qt::ElideRight, label->width()));
      break;
    case TextFit::kGrowShrinkFont:
      ShowStatusLine(shown);
      break;
    case TextFit::kElideMiddle:
      ShowElidedInMiddle(label, shown, label->width());
      break;
    default:
      label->setText(shown);
      break;
  }
}

// lStatus grows with its text, up to the window's right margin, then takes a smaller font down to
// kStatusMinPoints, and below that is cut in the middle.
void Listtest::ShowStatusLine(const QString& text) {
  const ControlLayout& layout = LayoutOf(Control::lStatus);
  auto* status = static_cast<QLabel*>(controls_.at(Control::lStatus));
  const QRect box = Twips(layout.left, layout.top, layout.width, layout.height);
  const int room = Twips(0, 0, kStatusRightEdge - layout.left, 0).width();
  status->setFont(SlotFont());
  status->setText(text);
  ShrinkFontToFit(
      status, [&] { return status->sizeHint().width() <= room; }, kStatusMinPoints);
  // The label's margins beside its text, which the elided text must leave room for too.
  const int margins = status->sizeHint().width() - status->fontMetrics().horizontalAdvance(text);
  ShowElidedInMiddle(status, text, room - margins);
  status->resize(std::clamp(status->sizeHint().width(), box.width(), room), box.height());
}

// The whole text goes to the tooltip when the label shows less of it.
void Listtest::ShowElidedInMiddle(QLabel* label, const QString& text, int width) {
  const QFontMetrics metrics = label->fontMetrics();
  const std::string elided = ElideMiddle(text.toStdString(), [&](const std::string& tried) {
    return metrics.horizontalAdvance(ToQString(tried)) <= width;
  });
  const QString shown = ToQString(elided);
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
}

void Listtest::SetItems(Control control, const std::vector<std::string>& items) {
  auto* list = static_cast<QListWidget*>(controls_.at(control));
  list->clear();
  for (const std::string& item : items) list->addItem(ToQString(item));
}

void Listtest::SetVisible(Control control, bool visible) {
  controls_.at(control)->setVisible(visible);
}

void Listtest::SetEnabled(Control control, bool enabled) {
  controls_.at(control)->setEnabled(enabled);
}

bool Listtest::IsChecked(Control control) const {
  return static_cast<QCheckBox*>(controls_.at(control))->isChecked();
}

void Listtest::SetChecked(Control control, bool checked) {
  static_cast<QCheckBox*>(controls_.at(control))->setChecked(checked);
}

void Listtest::SetClientHeight(int twips) { resize(Twips(0, 0, kClientWidth, twips).size()); }

bool Listtest::OpenInEditor(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

void Listtest::SetDarkWindow() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(Twips(0, 0, kClientWidth, kClientHeight).size());
  QPalette dark = palette();
  dark.setColor(QPalette::Window, Qt::black);
  setPalette(dark);
  setAutoFillBackground(true);
}

void Listtest::SetWhiteText(Control control) {
  QWidget* label = controls_.at(control);
  QPalette white = label->palette();
  white.setColor(QPalette::WindowText, QColor(0xFF, 0xFF, 0xFF));
  label->setPalette(white);
}

void Listtest::ShowMessageBox(MessageIcon icon, const std::string& title, const std::string& text) {
  QMessageBox box(icon == MessageIcon::kCritical ? QMessageBox::Critical : QMessageBox::Warning,
                  ToQString(title), ToQString(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  open_box_ = &box;
  box.exec();
  open_box_ = nullptr;
}

void Listtest::CloseMessageBox() {
  if (open_box_ != nullptr) open_box_->reject();
}

void Listtest::ProcessEvents() { QCoreApplication::processEvents(); }

void Listtest::StartTimer(FormTimer timer, std::chrono::milliseconds interval) {
  (timer == FormTimer::kTimer1 ? Timer1 : interrupt_poll_)->start(interval);
}

void Listtest::StopTimer(FormTimer timer) {
  (timer == FormTimer::kTimer1 ? Timer1 : interrupt_poll_)->stop();
}

void Listtest::CloseWindow() { close(); }

void Listtest::EndProgram(int exit_code) {
  hide();
  // Before the event loop runs (the window failed to load), main() returns exit_code() itself;
  // an exit() there would make every later event loop, a message box's too, return at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(exit_code);
}

// The coarse clock costs a few nanoseconds where the precise one can cost tens, which a large
// list would notice at its hundreds of thousands of yields.
std::chrono::nanoseconds Listtest::Now() const {
#ifdef CLOCK_MONOTONIC_COARSE
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
#else
  return std::chrono::steady_clock::now().time_since_epoch();
#endif
}

}  // namespace tabulon
