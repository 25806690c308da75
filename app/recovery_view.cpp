#include "app/recovery_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <thread>

#include "app/artwork.h"
#include "app/on_window_thread.h"
#include "app/progress_log.h"
#include "app/view_dialogs.h"
#include "engine/job/messages.h"
#include "engine/run/recovery_driver.h"

namespace vlx::app {
namespace {

QFont ArialFont(int point_size, bool bold = false) {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(point_size);
  font.setBold(bold);
  return font;
}

QToolButton* PictureButton(const QIcon& icon, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(icon);
  button->setIconSize(QSize(56, 56));
  button->setAutoRaise(true);
  button->setToolTip(tip);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QListWidget* ThumbnailList(const QSize& icon, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setViewMode(QListView::IconMode);
  list->setIconSize(icon);
  list->setResizeMode(QListView::Adjust);
  list->setMovement(QListView::Static);
  list->setSpacing(8);
  list->setWordWrap(true);
  return list;
}

// A list with its heading ("Slides Found..").
QWidget* Titled(const QString& title, QListWidget* list, QWidget* parent) {
  auto* panel = new QWidget(parent);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* heading = new QLabel(title, panel);
  heading->setFont(ArialFont(10, true));
  layout->addWidget(heading);
  layout->addWidget(list, 1);
  return panel;
}

}  // namespace

RecoveryView::RecoveryView(ViewServices services, ProgressLog* log, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), log_(log), sink_(*this), results_(*this) {
  setObjectName("RecoveryView");
  BuildControls();
  ShowStartLayout();
}

RecoveryView::~RecoveryView() {
  // The worker is never joined while the program runs; a view that goes away (tests,
  // program end) asks it to stop and lets its pending window calls through.
  stop_ = true;
  QElapsedTimer waited;
  waited.start();
  while (run_active_ && waited.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
}

void RecoveryView::BuildControls() {
  caption_ = new QLabel("Please select the file to repair", this);
  caption_->setFont(ArialFont(14, true));
  welcome_ = new QLabel(this);
  welcome_->setWordWrap(true);
  welcome_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  welcome_->setTextFormat(Qt::RichText);
  welcome_->setText(
      "<p style='color:#1f3a5f'>Type the path of a damaged PowerPoint 97&ndash;2003 presentation "
      "(<b>.ppt</b>, <b>.pot</b>, <b>.pps</b>) or press <b>Browse...</b>, then press the green "
      "button.</p><p style='color:#1f3a5f'><b>Standard mode</b> examines every byte of the file "
      "and rebuilds the slides, texts and pictures it finds &mdash; for heavy damage. <b>Fast "
      "mode</b> lifts the presentation's streams out of a broken container &mdash; quick, and "
      "exact "
      "when the streams are intact.</p><p style='color:#5b6f86'>The damaged file is only read, "
      "never changed. Results go to a new folder (<i>Rec</i>) in the current folder.</p>");
  welcome_->setFont(ArialFont(11));
  path_ = new QLineEdit(this);
  path_->setObjectName("PathField");
  path_->setPlaceholderText("Path of the damaged presentation");
  path_->setMinimumWidth(420);
  browse_ = new QPushButton("&Browse...", this);
  recover_ = PictureButton(RecoverIcon(), "Recover", this);
  back_ = PictureButton(BackIcon(), "Back", this);
  stop_button_ = PictureButton(StopIcon(), "Stop", this);
  status_ = new QLabel(this);
  status_->setFont(ArialFont(10, true));
  counter_ = new QLabel(this);
  counter_->setFont(ArialFont(9));
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  slides_ = ThumbnailList(QSize(170, 120), this);
  previews_ = ThumbnailList(QSize(170, 120), this);
  pictures_ = ThumbnailList(QSize(100, 100), this);
  slides_panel_ = Titled("Slides Found..", slides_, this);
  previews_panel_ = Titled("Slides Found..", previews_, this);
  pictures_panel_ = Titled("Pictures Found..", pictures_, this);

  connect(browse_, &QPushButton::clicked, this, &RecoveryView::Browse);
  connect(recover_, &QToolButton::clicked, this, &RecoveryView::StartRecovery);
  connect(stop_button_, &QToolButton::clicked, this, &RecoveryView::RequestStop);
  connect(back_, &QToolButton::clicked, this, &RecoveryView::Back);

  auto* picker = new QHBoxLayout;
  picker->addWidget(path_, 1);
  picker->addWidget(browse_);
  picker->addWidget(recover_);

  auto* progress_row = new QHBoxLayout;
  progress_row->addWidget(status_, 1);
  progress_row->addWidget(counter_);
  progress_row->addWidget(stop_button_);
  progress_row->addWidget(back_);

  auto* lists = new QHBoxLayout;
  lists->addWidget(slides_panel_, 3);
  lists->addWidget(previews_panel_, 3);
  lists->addWidget(pictures_panel_, 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(caption_);
  layout->addLayout(picker);
  layout->addWidget(welcome_);
  layout->addLayout(progress_row);
  layout->addWidget(progress_);
  layout->addLayout(lists, 1);
}

QListWidget* RecoveryView::list(ResultList which) const {
  switch (which) {
    case ResultList::kSlides:
      return slides_;
    case ResultList::kDataSlides:
      return previews_;
    case ResultList::kPictures:
      return pictures_;
    case ResultList::kTexts:
      return nullptr;  // saved texts are listed in the log
  }
  return slides_;
}

bool RecoveryView::generate_log() const {
  return services_.trace != nullptr && services_.trace->enabled();
}

void RecoveryView::set_generate_log(bool on) {
  if (services_.trace != nullptr) services_.trace->set_enabled(on);
}

void RecoveryView::ShowStartLayout() {
  for (QWidget* w : {static_cast<QWidget*>(caption_), static_cast<QWidget*>(path_),
                     static_cast<QWidget*>(browse_), static_cast<QWidget*>(recover_),
                     static_cast<QWidget*>(welcome_)})
    w->show();
  for (QWidget* w :
       {static_cast<QWidget*>(back_), static_cast<QWidget*>(stop_button_),
        static_cast<QWidget*>(status_), static_cast<QWidget*>(counter_),
        static_cast<QWidget*>(progress_), slides_panel_, previews_panel_, pictures_panel_})
    w->hide();
}

void RecoveryView::ShowRunningLayout() {
  for (QWidget* w : {static_cast<QWidget*>(caption_), static_cast<QWidget*>(path_),
                     static_cast<QWidget*>(browse_), static_cast<QWidget*>(recover_),
                     static_cast<QWidget*>(back_), static_cast<QWidget*>(welcome_)})
    w->hide();
  slides_->clear();
  previews_->clear();
  pictures_->clear();
  status_->clear();
  counter_->clear();
  progress_->setValue(0);
  for (QWidget* w : {static_cast<QWidget*>(stop_button_), static_cast<QWidget*>(status_),
                     static_cast<QWidget*>(counter_), static_cast<QWidget*>(progress_),
                     slides_panel_, pictures_panel_})
    w->show();
  previews_panel_->setVisible(mode_ == 1);
  update();
}

void RecoveryView::ShowRunEndedLayout() {
  stop_button_->hide();
  progress_->hide();
  status_->hide();
  counter_->hide();
  back_->show();
}

void RecoveryView::Browse() {
  if (auto chosen = services_.dialogs->ChooseFile(this)) path_->setText(*chosen);
}

void RecoveryView::AddFile() {
  if (browse_->isVisible()) Browse();
}

void RecoveryView::StartRecovery() {
  stop_ = false;
  if (view_state_ != 1) return;
  const QString path = path_->text();
  if (path.isEmpty()) {
    Browse();
    return;
  }
  if (!QFileInfo::exists(path) || QFileInfo(path).isDir()) {
    services_.dialogs->Message(nullptr, "Please Select Valid File by using brouse Button",
                               kMessageCaption, kStyleWarning);
    return;
  }
  const std::optional<int> mode = services_.dialogs->AskRecoveryMode(this);
  if (!mode) return;
  if (services_.check_office_running && !services_.check_office_running(sink_)) return;
  mode_ = *mode;
  ShowRunningLayout();
  view_state_ = 2;
  input_path_ = path.toStdString();
  if (mode_ == 1 && generate_log()) {
    services_.trace->Trace(input_path_ + "\r\n");
    services_.trace->Trace(TraceLog::CheckpointText(1));
  }
  RunOnWorker(mode_, input_path_);
}

void RecoveryView::RunOnWorker(int mode, const std::string& input_path) {
  sink_.Reset();
  static TraceLog silent_trace(TraceLog::DefaultPath(), false);
  TraceLog& trace = services_.trace != nullptr ? *services_.trace : silent_trace;
  environment_ = std::make_unique<RunEnvironment>(RunEnvironment{
      sink_, trace, stop_, services_.workspace, results_, *services_.images, templates_,
      services_.office, services_.master_dialog, output_folder_, prefix_.toStdString()});
  run_active_ = true;
  RunEnvironment* env = environment_.get();
  std::thread([this, env, mode, path = input_path] {
    if (mode == 2) {
      DriveFastRecovery(*env, path);
    } else {
      DriveStandardRecovery(*env, path);
    }
    OnWindowThread(this, [this, env] {
      output_folder_ = env->output_folder;
      run_active_ = false;
      emit runFinished();
    });
  }).detach();
}

void RecoveryView::RequestStop() {
  const int answer = services_.dialogs->Message(
      this, "Do you really want to stop repairing process", kMessageCaption, kStyleYesNoWarning);
  if (answer != kAnswerYes) return;
  stop_ = true;
  stop_button_->hide();
  status_->setText("User aborted process");
}

void RecoveryView::EndOffices() {
  if (services_.terminate_office) services_.terminate_office();
}

void RecoveryView::Back() {
  if (view_state_ != 2 || run_active_) return;
  EndOffices();
  slides_->clear();
  previews_->clear();
  pictures_->clear();
  ShowStartLayout();
  update();
  view_state_ = 1;
}

}  // namespace vlx::app
