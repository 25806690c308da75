#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "engine/rebuild/master_candidate.h"
#include "engine/rebuild/master_search.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vlx::app {

class ViewDialogs;

// "Master Slide selection...": searches the master-slide trials on a thread of its own,
// lists their previews, and lets the user choose one.
class MasterSlideDialogWindow : public QDialog, private MasterSearchObserver {
  Q_OBJECT
 public:
  // The search to run; it reports through the observer and ends early when stop is set.
  using Search = std::function<MasterSearchResult(MasterSearchObserver&, const std::atomic<bool>&)>;

  MasterSlideDialogWindow(Search search, ViewDialogs& dialogs, QWidget* parent = nullptr);
  ~MasterSlideDialogWindow() override;

  // Valid after the dialog closed with OK.
  const MasterChoice& choice() const { return choice_; }
  bool searching() const { return searching_; }
  // Choose the first candidate as soon as the search ends (unattended runs).
  void set_accept_first(bool on) { accept_first_ = on; }

  QListWidget* list() const { return list_; }
  QLabel* master_number() const { return number_value_; }
  QLabel* master_size() const { return size_value_; }
  QLabel* status() const { return status_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* stop_button() const { return stop_button_; }
  const std::vector<MasterCandidate>& candidates() const { return candidates_; }

 public slots:
  void accept() override;
  void reject() override;
  void RequestStop();

 signals:
  void searchFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void SetTrialLabel(const std::string& text) override;
  void SetListLabel(const std::string& text) override;
  void SetProgress(int percent) override;
  void AddItem(const MasterCandidate& candidate, const Bitmap& thumbnail,
               const std::string& label) override;
  void OnSelectionChanged();
  void OnSearchEnded(CandidateKind kind);

  Search search_;
  ViewDialogs& dialogs_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  bool searching_ = false;
  bool started_ = false;
  bool accept_first_ = false;
  CandidateKind kind_ = CandidateKind::kDefaultMasterDefaultStore;
  std::vector<MasterCandidate> candidates_;
  MasterChoice choice_;

  QListWidget* list_;
  QLabel* status_;
  QLabel* number_value_;
  QLabel* size_value_;
  QProgressBar* progress_;
  QLabel* trial_label_;
  QLabel* list_label_;
  QPushButton* ok_;
  QPushButton* stop_button_;
  QLabel* done_picture_;
};

// The pipeline's master-slide choice through the window: shows the dialog modally on the
// window's thread while the run's worker waits.
class WindowMasterSlideDialog : public MasterSlideDialog {
 public:
  WindowMasterSlideDialog(QWidget* parent, ViewDialogs& dialogs)
      : parent_(parent), dialogs_(dialogs) {}
  std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile& file) override;
  void set_accept_first(bool on) { accept_first_ = on; }

 private:
  QWidget* parent_;
  ViewDialogs& dialogs_;
  bool accept_first_ = false;
};

}  // namespace vlx::app
