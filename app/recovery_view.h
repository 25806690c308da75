#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/window_progress_sink.h"
#include "app/window_result_view.h"
#include "engine/job/recovery_job.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"
#include "engine/run/recovery_mode.h"

class QLabel;
class QListWidgetItem;
class QUrl;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace vlx::office {
class AutomationServer;
}

namespace vlx::app {

class ProgressLog;
class ViewDialogs;

// What the view works with, provided by the program (or by a test).
struct ViewServices {
  ViewDialogs* dialogs = nullptr;
  ImageToolkit* images = nullptr;
  office::AutomationServer* office = nullptr;
  MasterSlideDialog* master_dialog = nullptr;
  TraceLog* trace = nullptr;
  Workspace workspace{"vlxTemp"};
  // Asks before a run when offices of ours are running; false cancels the start.
  std::function<bool(ProgressSink&)> check_office_running;
  // Ends every office of ours (Back, Exit).
  std::function<void()> terminate_office;
  // Opens a file or folder with the desktop's own program (the desktop services when empty).
  std::function<void(const QUrl&)> open_url;
};

// The main view: picks the file, starts and stops runs, shows progress and results.
class RecoveryView : public QWidget {
  Q_OBJECT
 public:
  RecoveryView(ViewServices services, ProgressLog* log, QWidget* parent = nullptr);

  // Where a result item keeps its own file (a picture's), when it has one.
  static constexpr int kFileRole = Qt::UserRole + 1;
  ~RecoveryView() override;

  // Commands.
  void StartRecovery();
  void RequestStop();
  void Back();
  void Browse();
  void AddFile();     // the Browse of the menu: only in the start layout
  void EndOffices();  // ends every office process of ours
  void set_master_dialog(MasterSlideDialog* dialog) { services_.master_dialog = dialog; }

  // Settings of the Folder Setting dialog.
  QString prefix() const { return prefix_; }
  void set_prefix(const QString& prefix) { prefix_ = prefix; }
  // Where output folders are made; empty: beside the damaged file.
  QString results_folder() const { return results_folder_; }
  void set_results_folder(const QString& folder) { results_folder_ = folder; }
  bool generate_log() const;
  void set_generate_log(bool on);

  int view_state() const { return view_state_; }
  RecoveryMode mode() const { return mode_; }
  StopFlag& stop_flag() { return stop_; }
  const std::string& output_folder() const { return output_folder_; }
  const std::string& saved_presentation() const { return saved_presentation_; }
  // Opens the finished run's output folder, or the file behind a result item.
  void OpenOutputFolder();
  void OpenResult(QListWidgetItem* item);
  // A file dropped on the window goes into the path field (start layout only).
  bool TakeDroppedFile(const QString& path);
  bool run_active() const { return run_active_; }
  // The environment of the last run (nullptr before the first): its failure, its folder.
  const RunEnvironment* last_run() const { return environment_.get(); }

  // Controls, for the sink, the result view and tests.
  QLineEdit* path_field() const { return path_; }
  QLabel* status_label() const { return status_; }
  QLabel* counter_label() const { return counter_; }
  QProgressBar* progress_bar() const { return progress_; }
  QToolButton* recover_button() const { return recover_; }
  QToolButton* stop_button() const { return stop_button_; }
  QToolButton* back_button() const { return back_; }
  QPushButton* browse_button() const { return browse_; }
  QListWidget* list(ResultList which) const;
  QLabel* folder_label() const { return folder_label_; }
  QPushButton* open_folder_button() const { return open_folder_; }
  ProgressLog* log() const { return log_; }
  ViewDialogs& dialogs() { return *services_.dialogs; }

  // Called by the sink on the window's thread.
  void ShowRunEndedLayout();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 signals:
  void runFinished();
  void showMaximisedRequested();

 private:
  void BuildControls();
  void ShowStartLayout();
  void ShowRunningLayout();
  void RunOnWorker(RecoveryMode mode, const std::string& input_path,
                   const std::string& base_folder);
  void OpenUrl(const QUrl& url);
  void ShowOutputFolder();

  ViewServices services_;
  ProgressLog* log_;
  WindowProgressSink sink_;
  WindowResultView results_;
  std::unique_ptr<RunEnvironment> environment_;
  // The template records every run of this program run works with.
  TemplateRecords templates_ = PristineTemplates();

  int view_state_ = 1;
  RecoveryMode mode_ = RecoveryMode::kStandard;
  std::string input_path_;
  std::string output_folder_;
  std::string saved_presentation_;
  StopFlag stop_{false};
  bool run_active_ = false;
  QString prefix_ = "Rec";
  QString results_folder_;

  QLabel* caption_ = nullptr;
  QLabel* welcome_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPushButton* browse_ = nullptr;
  QToolButton* recover_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* stop_button_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* counter_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* folder_label_ = nullptr;
  QPushButton* open_folder_ = nullptr;
  QWidget* slides_panel_ = nullptr;
  QWidget* previews_panel_ = nullptr;
  QWidget* pictures_panel_ = nullptr;
  QListWidget* slides_ = nullptr;
  QListWidget* previews_ = nullptr;
  QListWidget* pictures_ = nullptr;
};

}  // namespace vlx::app
