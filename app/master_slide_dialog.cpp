#include "app/master_slide_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/artwork.h"
#include "app/on_window_thread.h"
#include "app/view_dialogs.h"
#include "automation/imaging/bitmap_image.h"
#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"

namespace vlx::app {

MasterSlideDialogWindow::MasterSlideDialogWindow(Search search, ViewDialogs& dialogs,
                                                 QWidget* parent)
    : QDialog(parent), search_(std::move(search)), dialogs_(dialogs) {
  setWindowTitle(tr("Master Slide selection..."));
  resize(718, 408);  // 479 x 251 dialog units
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);

  list_ = new QListWidget(this);
  list_->setObjectName("List1");
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(170, 120));
  list_->setResizeMode(QListView::Adjust);
  list_->setMovement(QListView::Static);
  list_->setSpacing(8);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(list_, &QListWidget::itemSelectionChanged, this,
          &MasterSlideDialogWindow::OnSelectionChanged);
  connect(list_, &QListWidget::itemDoubleClicked, this, &MasterSlideDialogWindow::accept);

  auto* details = new QGroupBox(tr("Selected Master Details"), this);
  auto* grid = new QGridLayout(details);
  number_value_ = new QLabel(details);
  size_value_ = new QLabel(details);
  grid->addWidget(new QLabel(tr("Master Number :"), details), 0, 0);
  grid->addWidget(number_value_, 0, 1);
  grid->addWidget(new QLabel(tr("Size                   :"), details), 1, 0);
  grid->addWidget(size_value_, 1, 1);
  grid->setColumnStretch(1, 1);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("Progress1");
  progress_->setRange(0, 100);
  trial_label_ = new QLabel(this);
  list_label_ = new QLabel(this);
  ok_ = new QPushButton(tr("OK"), this);
  stop_button_ = new QPushButton(tr("Stop"), this);
  ok_->hide();
  done_picture_ = new QLabel(this);
  done_picture_->setPixmap(QPixmap::fromImage(SearchDoneBadge()));
  done_picture_->hide();
  connect(ok_, &QPushButton::clicked, this, &MasterSlideDialogWindow::accept);
  connect(stop_button_, &QPushButton::clicked, this, &MasterSlideDialogWindow::RequestStop);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(done_picture_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(stop_button_);

  auto* side = new QVBoxLayout;
  side->addWidget(details);
  side->addWidget(trial_label_);
  side->addWidget(list_label_);
  side->addWidget(progress_);
  side->addStretch(1);
  side->addLayout(buttons);

  auto* body = new QHBoxLayout;
  body->addWidget(list_, 3);
  body->addLayout(side, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addLayout(body, 1);
}

MasterSlideDialogWindow::~MasterSlideDialogWindow() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

void MasterSlideDialogWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(rect(), MasterDialogBackground(size()));
}

void MasterSlideDialogWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  searching_ = true;
  status_->setText(tr("Recovering Master Slides...\nPlease Wait..."));
  worker_ = std::thread([this] {
    const MasterSearchResult result = search_(*this, stop_);
    QMetaObject::invokeMethod(
        this, [this, kind = result.kind] { OnSearchEnded(kind); }, Qt::QueuedConnection);
  });
}

void MasterSlideDialogWindow::OnSearchEnded(CandidateKind kind) {
  if (worker_.joinable()) worker_.join();
  searching_ = false;
  kind_ = kind;
  status_->setText(
      tr("Please select desired master slide layout.\nThe recovery results can vary according to "
         "the selected layout."));
  progress_->hide();
  stop_button_->hide();
  trial_label_->hide();
  list_label_->hide();
  ok_->show();
  done_picture_->show();
  emit searchFinished();
  if (accept_first_ && list_->count() > 0) {
    list_->setCurrentRow(0);
    QTimer::singleShot(0, this, &MasterSlideDialogWindow::accept);
  }
}

// Observer calls come from the search thread; the widgets change on the window's thread.
void MasterSlideDialogWindow::SetTrialLabel(const std::string& text) {
  QMetaObject::invokeMethod(this,
                            [this, t = QString::fromStdString(text)] { trial_label_->setText(t); });
}

void MasterSlideDialogWindow::SetListLabel(const std::string& text) {
  QMetaObject::invokeMethod(this,
                            [this, t = QString::fromStdString(text)] { list_label_->setText(t); });
}

void MasterSlideDialogWindow::SetProgress(int percent) {
  QMetaObject::invokeMethod(this, [this, percent] { progress_->setValue(percent); });
}

void MasterSlideDialogWindow::AddItem(const MasterCandidate& candidate, const Bitmap& thumbnail,
                                      const std::string& label) {
  QMetaObject::invokeMethod(
      this, [this, candidate, image = ToImage(thumbnail), text = QString::fromStdString(label)] {
        candidates_.push_back(candidate);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(image)), text);
        item->setData(Qt::UserRole, candidate.index);
        list_->addItem(item);
      });
}

void MasterSlideDialogWindow::OnSelectionChanged() {
  number_value_->clear();
  size_value_->clear();
  const QListWidgetItem* item = list_->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const int index = item->data(Qt::UserRole).toInt();
  for (const MasterCandidate& c : candidates_) {
    if (c.index != index) continue;
    number_value_->setText(QString::number(c.index + 1));
    size_value_->setText(QString::number(c.blip_store_length));
    return;
  }
}

void MasterSlideDialogWindow::accept() {
  if (searching_) return;  // OK appears only once the search has ended
  const QListWidgetItem* item = list_->currentItem();
  if (item == nullptr || !item->isSelected()) {
    dialogs_.Message(this, tr("Please select Master Slide from list"), kApplicationTitle,
                     kStyleWarning);
    return;
  }
  const int index = item->data(Qt::UserRole).toInt();
  for (const MasterCandidate& c : candidates_) {
    if (c.index != index) continue;
    choice_ = MasterChoice{
        kind_,        c.master_offset, c.master_length, c.blip_store_offset, c.blip_store_length,
        c.own_masters};
    QDialog::accept();
    return;
  }
}

void MasterSlideDialogWindow::RequestStop() {
  const int answer = dialogs_.Message(this, tr("Do you really want to stop searching process ?"),
                                      kApplicationTitle, kStyleYesNoWarning);
  if (answer == kAnswerYes) stop_ = true;
}

void MasterSlideDialogWindow::reject() {
  // Escape or the close box: while the search runs it asks to stop; afterwards it cancels.
  if (searching_) {
    RequestStop();
    return;
  }
  QDialog::reject();
}

std::optional<MasterChoice> WindowMasterSlideDialog::Run(RecoveryJob& job, DamagedFile& file) {
  std::optional<MasterChoice> result;
  job.trace().Checkpoint(18);
  OnWindowThread(parent_, [&] {
    MasterSlideDialogWindow dialog(
        [&job, &file](MasterSearchObserver& observer, const std::atomic<bool>& stop) {
          job.trace().Checkpoint(19);
          MasterSearchResult found =
              MasterSlideSearch(job, file, observer, stop).SearchMasterSlides();
          job.trace().Checkpoint(65);
          return found;
        },
        dialogs_, parent_);
    dialog.set_accept_first(accept_first_);
    if (dialog.exec() == QDialog::Accepted) result = dialog.choice();
  });
  return result;
}

}  // namespace vlx::app
