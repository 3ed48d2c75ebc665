// The main window listtest drawn with Qt Widgets: the controls of the form's layout as widgets,
// its events forwarded to the form (app/form/form.h), which decides what they show.
#pragma once

#include <QWidget>
#include <chrono>
#include <map>
#include <string>

#include "app/form/form.h"

class QLabel;
class QMessageBox;
class QTimer;

namespace tabulon {

class Listtest : public QWidget, private FormWindow {
  Q_OBJECT

 public:
  using RunFunction = Form::RunFunction;

  // Builds the window with its normal or silent-mode look. `app_dir` is the application folder
  // without a trailing separator; it is not touched before the window is shown. An empty `run`
  // is RunGeneration.
  Listtest(bool silent_mode, std::string app_dir, RunFunction run = {});
  ~Listtest() override;

  // The form's events, as the button and the timer raise them.
  void Command1_Click() { form_.Command1_Click(); }
  void Timer1_Timer() { form_.Timer1_Timer(); }

  void set_repaint_interval(std::chrono::milliseconds interval) {
    form_.set_repaint_interval(interval);
  }
  bool running() const { return form_.running(); }
  // The exit status once the window has ended the program, -1 while it goes on. main() needs it
  // when the window ends the program before the event loop has started.
  int exit_code() const { return form_.exit_code(); }
  const RunState& run() const { return form_.run(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Twips, the unit the layout was drawn in, to pixels at the screen's logical DPI.
  QRect Twips(int left, int top, int width, int height) const;
  void ShowStatusLine(const QString& text);
  void ShowElidedInMiddle(QLabel* label, const QString& text, int width);

  void SetTitle(const std::string& text) override;
  void SetText(Control control, const std::string& text) override;
  void SetItems(Control control, const std::vector<std::string>& items) override;
  void SetVisible(Control control, bool visible) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsChecked(Control control) const override;
  void SetChecked(Control control, bool checked) override;
  void SetClientHeight(int twips) override;
  bool OpenInEditor(const std::string& path) override;
  void SetDarkWindow() override;
  void SetWhiteText(Control control) override;
  void ShowMessageBox(MessageIcon icon, const std::string& title, const std::string& text) override;
  void CloseMessageBox() override;
  void ProcessEvents() override;
  void StartTimer(FormTimer timer, std::chrono::milliseconds interval) override;
  void StopTimer(FormTimer timer) override;
  void CloseWindow() override;
  void EndProgram(int exit_code) override;
  std::chrono::nanoseconds Now() const override;

  // The controls, owned by the window through Qt's parent, each named as its row of kControls.
  std::map<Control, QWidget*> controls_;
  QTimer* Timer1;
  QTimer* interrupt_poll_;
  QMessageBox* open_box_ = nullptr;  // the box ShowMessageBox waits on
  Form form_;
};

}  // namespace tabulon
