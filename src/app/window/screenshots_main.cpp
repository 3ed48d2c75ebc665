// tabulon-screenshots: draws the pictures of the main window for the README: normal mode before a
// run, normal mode during one, and silent mode during its run. Meant for the offscreen platform.
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <functional>
#include <iostream>

#include "app/window/listtest.h"

namespace {

// The game the run pictures show: a clone, so every field slot has something in it.
constexpr const char* kShownGame = "pacman";

// The offscreen platform draws no window frame; a plain title strip shows the title, which is
// where the window puts its status text.
QImage WithTitleStrip(QWidget& window) {
  const QPixmap client = window.grab();
  const int strip = window.fontMetrics().height() * 2;
  QImage image(client.width() + 2, client.height() + strip + 1, QImage::Format_RGB32);
  image.fill(QColor(0x2f, 0x34, 0x3f));
  QPainter painter(&image);
  QFont font = window.font();
  font.setPointSize(9);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(10, 0, image.width() - 20, strip), Qt::AlignLeft | Qt::AlignVCenter,
                   window.windowTitle());
  painter.drawPixmap(1, strip, client);
  return image;
}

bool Save(QWidget& window, const QString& path) {
  if (WithTitleStrip(window).save(path)) {
    std::cout << path.toStdString() << '\n';
    return true;
  }
  std::cerr << "tabulon-screenshots: cannot write " << path.toStdString() << '\n';
  return false;
}

// Saves a picture of `window` at the first repaint during its run that shows kShownGame.
void SaveWhenGameShown(tabulon::Listtest& window, const QString& path, bool* saved) {
  auto* poll = new QTimer(&window);
  QObject::connect(poll, &QTimer::timeout, &window, [&window, path, saved, poll] {
    if (!window.running() || window.run().slots.lrom != kShownGame) return;
    poll->stop();
    *saved = Save(window, path);
  });
  poll->start(0);
}

// The run over the demo's dats ends with a box listing its warnings (there is no MAME to list);
// nobody is there to press OK, and the pictures do not show it.
void AcceptMessageBoxes(QObject* parent) {
  auto* poll = new QTimer(parent);
  QObject::connect(poll, &QTimer::timeout, parent, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
  });
  poll->start(5);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: tabulon-screenshots OUT_DIR APP_DIR\n"
                 "Writes window-normal.png, window-run.png and window-silent.png of the window\n"
                 "working on the application folder APP_DIR (a copy of the demo front end's).\n";
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const std::string app_dir = argv[2];
  // Repainting at every yield lets the pictures catch the run at a chosen game.
  const auto every_yield = std::chrono::milliseconds(0);
  AcceptMessageBoxes(&app);

  bool ok = true;
  {
    tabulon::Listtest window(false, app_dir);
    window.set_repaint_interval(every_yield);
    window.show();
    QCoreApplication::processEvents();
    ok = Save(window, out + "/window-normal.png") && ok;
    bool saved = false;
    SaveWhenGameShown(window, out + "/window-run.png", &saved);
    window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    ok = saved && ok;
  }
  {
    tabulon::Listtest window(true, app_dir);
    window.set_repaint_interval(every_yield);
    bool saved = false;
    SaveWhenGameShown(window, out + "/window-silent.png", &saved);
    window.show();
    const int status = QApplication::exec();
    ok = saved && status == 0 && ok;
  }
  return ok ? 0 : 1;
}
