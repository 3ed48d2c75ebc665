// Entry point of tabulon, the window: reads the command line, prints the usage or version when
// asked, and otherwise shows the main window; the program lives as long as the window does.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/form/command_line.h"
#include "app/window/listtest.h"
#include "platform/file_list.h"
#include "platform/interrupts.h"

namespace {

constexpr const char* kNoWindow = "tabulon: cannot open the window: ";
constexpr const char* kWhatToDo =
    "; start it on the desktop, or run tabulon-cli, the same run without a window";

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Qt ends a program that finds no display with an abort; a user who starts the window over ssh
// or from a service is better served by one line and exit status 1. What Qt says while it looks
// for a display is held back, and said only when the window opens after all.
struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};
std::vector<HeldMessage> held_messages;
QtMessageHandler qt_handler = nullptr;

void HoldQtStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    held_messages.push_back({type, context.category ? context.category : "", text});
    return;
  }
  // The first thing Qt said names the cause ("could not connect to display :0"); its fatal
  // message lists plugins.
  const QString cause = held_messages.empty() ? text : held_messages.front().text;
  std::cerr << kNoWindow << "Qt found no display it can use ("
            << cause.section(QLatin1Char('\n'), 0, 0).toStdString() << ")" << kWhatToDo
            << std::endl;
  std::_Exit(1);
}

void ReleaseQtStartMessages() {
  qInstallMessageHandler(qt_handler);
  for (const HeldMessage& message : held_messages) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    qt_handler(message.type, context, message.text);
  }
  held_messages.clear();
}

}  // namespace

int main(int argc, char** argv) {
  // Read before QApplication takes its own options out of argv.
  const tabulon::WindowStart start =
      tabulon::ParseWindowStart(tabulon::CommandLineText(argc, argv));
  // Help and version need neither a display nor the application folder's own folders.
  if (start == tabulon::WindowStart::kHelp) {
    std::cout << tabulon::WindowUsage(tabulon::ExecutableFolder());
    return 0;
  }
  if (start == tabulon::WindowStart::kVersion) {
    std::cout << tabulon::WindowVersion();
    return 0;
  }
  // A platform named in QT_QPA_PLATFORM (offscreen, vnc, ...) may need no display at all.
  if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    std::cerr << kNoWindow << "there is no display (DISPLAY and WAYLAND_DISPLAY are not set)"
              << kWhatToDo << '\n';
    return 1;
  }
  tabulon::CatchInterrupts();
  qt_handler = qInstallMessageHandler(HoldQtStartMessage);
  QApplication app(argc, argv);
  ReleaseQtStartMessages();
  tabulon::Listtest window(start == tabulon::WindowStart::kSilent, tabulon::ExecutableFolder());
  window.show();
  // Loading the window ends the program when the working folders cannot be made, before there
  // is an event loop to leave.
  if (window.exit_code() >= 0) return window.exit_code();
  return QApplication::exec();
}
