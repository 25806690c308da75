#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

namespace vlx::app {

class ProgressLog;
class RecoveryView;
struct ViewServices;

// The single-window frame: menus, the "Standard" toolbar, the "Progress Log" pane,
// the recovery view, and the once-a-second office watchdog.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // watchdog: called once a second (may be empty). startup_folder: where help is found.
  MainWindow(ViewServices services, std::function<void()> watchdog, QString startup_folder,
             QWidget* parent = nullptr);

  RecoveryView* view() const { return view_; }
  ProgressLog* progress_log() const { return log_; }

  void ShowFolderSettings();
  // The help window (created on first use, then raised).
  class HelpWindow* help_window() const {
    return help_;
  }
  void ShowHelp();
  void ShowAbout();
  // Exit: saves the layout, asks, then ends the process with status 0.
  void Exit();

  // Where the bars' layout is kept.
  static constexpr const char* kLayoutKey = "CommandBars2";

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenusAndBars();
  void SaveLayout();
  void RestoreLayout();

  ProgressLog* log_;
  RecoveryView* view_;
  std::function<void()> watchdog_;
  QString startup_folder_;
  class HelpWindow* help_ = nullptr;
};

}  // namespace vlx::app
