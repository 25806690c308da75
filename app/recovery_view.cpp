#include "app/recovery_view.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <thread>

#include "app/artwork.h"
#include "app/dropped_file.h"
#include "app/on_window_thread.h"
#include "app/progress_log.h"
#include "app/results_folder.h"
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

// A list with its heading.
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
  setAcceptDrops(true);
  results_folder_ = DefaultResultsFolder();
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
  caption_ = new QLabel(tr("Please select the file to repair"), this);
  caption_->setFont(ArialFont(14, true));
  welcome_ = new QLabel(this);
  welcome_->setWordWrap(true);
  welcome_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  welcome_->setTextFormat(Qt::RichText);
  welcome_->setText(
      tr("<p style='color:#1f3a5f'>Type the path of a damaged PowerPoint 97&ndash;2003 "
         "presentation (<b>.ppt</b>, <b>.pot</b>, <b>.pps</b>), drop it on this window or press "
         "<b>Browse...</b> (Ctrl+O), then press the green button (Ctrl+R).</p><p "
         "style='color:#1f3a5f'><b>Standard mode</b> examines every byte of the file and rebuilds "
         "the slides, texts and pictures it finds &mdash; for heavy damage. <b>Fast mode</b> lifts "
         "the presentation's streams out of a broken container &mdash; quick, and exact when the "
         "streams are intact.</p><p style='color:#5b6f86'>The damaged file is only read, never "
         "changed. Results go to a new folder (<i>Rec</i>) in the folder chosen under Tools "
         "&rarr; Settings.</p>"));
  welcome_->setFont(ArialFont(11));
  path_ = new QLineEdit(this);
  path_->setObjectName("PathField");
  path_->setPlaceholderText(tr("Path of the damaged presentation"));
  path_->setAcceptDrops(false);  // a dropped file is taken by the view, as a path
  path_->setMinimumWidth(420);
  browse_ = new QPushButton(tr("&Browse..."), this);
  recover_ = PictureButton(RecoverIcon(), tr("Recover (Ctrl+R)"), this);
  back_ = PictureButton(BackIcon(), tr("Back"), this);
  stop_button_ = PictureButton(StopIcon(), tr("Stop (Esc)"), this);
  status_ = new QLabel(this);
  status_->setFont(ArialFont(10, true));
  counter_ = new QLabel(this);
  counter_->setFont(ArialFont(9));
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  slides_ = ThumbnailList(QSize(170, 120), this);
  previews_ = ThumbnailList(QSize(170, 120), this);
  pictures_ = ThumbnailList(QSize(100, 100), this);
  slides_panel_ = Titled(tr("Slides Found.."), slides_, this);
  previews_panel_ = Titled(tr("Data Slides Found.."), previews_, this);
  pictures_panel_ = Titled(tr("Pictures Found.."), pictures_, this);
  for (QListWidget* list : {slides_, previews_, pictures_}) {
    list->setToolTip(tr("Double-click a picture to open its file"));
    connect(list, &QListWidget::itemActivated, this, &RecoveryView::OpenResult);
  }
  folder_label_ = new QLabel(this);
  folder_label_->setObjectName("OutputFolderLabel");
  folder_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  folder_label_->setFont(ArialFont(10));
  open_folder_ = new QPushButton(tr("&Open Output Folder"), this);
  open_folder_->setObjectName("OpenOutputFolder");
  connect(open_folder_, &QPushButton::clicked, this, &RecoveryView::OpenOutputFolder);

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

  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_label_, 1);
  folder_row->addWidget(open_folder_);

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
  layout->addLayout(folder_row);
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
        static_cast<QWidget*>(progress_), static_cast<QWidget*>(folder_label_),
        static_cast<QWidget*>(open_folder_), slides_panel_, previews_panel_, pictures_panel_})
    w->hide();
}

void RecoveryView::ShowRunningLayout() {
  for (QWidget* w : {static_cast<QWidget*>(caption_), static_cast<QWidget*>(path_),
                     static_cast<QWidget*>(browse_), static_cast<QWidget*>(recover_),
                     static_cast<QWidget*>(back_), static_cast<QWidget*>(welcome_),
                     static_cast<QWidget*>(folder_label_), static_cast<QWidget*>(open_folder_)})
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

void RecoveryView::ShowOutputFolder() {
  if (output_folder_.empty()) return;
  const QString folder = QDir::toNativeSeparators(QString::fromStdString(output_folder_));
  folder_label_->setText(saved_presentation_.empty()
                             ? tr("No presentation was saved. Output folder: %1").arg(folder)
                             : tr("Results saved in %1").arg(folder));
  folder_label_->show();
  open_folder_->show();
}

void RecoveryView::OpenUrl(const QUrl& url) {
  if (services_.open_url) {
    services_.open_url(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

void RecoveryView::OpenOutputFolder() {
  if (output_folder_.empty()) return;
  OpenUrl(QUrl::fromLocalFile(QString::fromStdString(output_folder_)));
}

void RecoveryView::OpenResult(QListWidgetItem* item) {
  if (item == nullptr || run_active_) return;
  // A picture has its own file; a slide lives in the saved presentation.
  QString file = item->data(kFileRole).toString();
  if (file.isEmpty()) file = QString::fromStdString(saved_presentation_);
  if (file.isEmpty() || !QFileInfo::exists(file)) return;
  OpenUrl(QUrl::fromLocalFile(file));
}

bool RecoveryView::TakeDroppedFile(const QString& path) {
  if (view_state_ != 1 || run_active_) return false;
  path_->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
  return true;
}

void RecoveryView::dragEnterEvent(QDragEnterEvent* event) {
  if (view_state_ == 1 && !run_active_ && DroppedFile(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void RecoveryView::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = DroppedFile(event->mimeData());
  if (file && TakeDroppedFile(*file)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void RecoveryView::Browse() {
  if (auto chosen = services_.dialogs->ChooseFile(this)) path_->setText(*chosen);
}

void RecoveryView::AddFile() {
  if (view_state_ == 1 && !run_active_) Browse();  // the start layout shows Browse
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
    services_.dialogs->Message(nullptr, tr("Please Select Valid File by using brouse Button"),
                               kMessageCaption, kStyleWarning);
    return;
  }
  const QString base = ResultsFolderFor(results_folder_, path);
  if (!CanHoldResults(base)) {
    services_.dialogs->Message(
        this,
        tr("The results cannot be saved in %1: the folder is missing or not writable. Choose "
           "another folder under Tools > Settings.")
            .arg(QDir::toNativeSeparators(base)),
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
  RunOnWorker(mode_, input_path_, (base + "/").toStdString());
}

void RecoveryView::RunOnWorker(int mode, const std::string& input_path,
                               const std::string& base_folder) {
  sink_.Reset();
  static TraceLog silent_trace(TraceLog::DefaultPath(), false);
  TraceLog& trace = services_.trace != nullptr ? *services_.trace : silent_trace;
  environment_ = std::make_unique<RunEnvironment>(RunEnvironment{
      sink_, trace, stop_, services_.workspace, results_, *services_.images, templates_,
      services_.office, services_.master_dialog, base_folder, prefix_.toStdString()});
  output_folder_.clear();
  saved_presentation_.clear();
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
      saved_presentation_ = env->saved_presentation;
      ShowOutputFolder();
      run_active_ = false;
      emit runFinished();
    });
  }).detach();
}

void RecoveryView::RequestStop() {
  if (!run_active_ || stop_button_->isHidden()) return;
  const int answer =
      services_.dialogs->Message(this, tr("Do you really want to stop repairing process"),
                                 kMessageCaption, kStyleYesNoWarning);
  if (answer != kAnswerYes) return;
  stop_ = true;
  stop_button_->hide();
  status_->setText(tr("User aborted process"));
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
