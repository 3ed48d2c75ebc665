// What a generation run reports to: the window, the CLI and the tests each implement View; the
// engine never talks to a screen or a terminal directly.
#pragma once

#include <string>

namespace tabulon {

class View {
 public:
  virtual ~View() = default;
  // A run begins: the window hides its disclaimer and its dat file list.
  virtual void RunStarted() {}
  // A new status text: the window shows it in its title and status line.
  virtual void ShowStatus(const std::string& text) = 0;
  // Called often while a dat is read (at every block and line), so a window can repaint and show
  // the slots. Returns false when the user asked the run to stop; the run then ends without
  // writing anything more.
  virtual bool Yield() { return true; }
  // Something was wrong with the input but the run goes on (a short line skipped, ...).
  virtual void Warning(const std::string& text) = 0;
  // A message the user has to acknowledge (the window shows a message box).
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace tabulon
