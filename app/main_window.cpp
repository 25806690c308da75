#include "app/main_window.h"

#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/artwork.h"
#include "app/folder_settings_dialog.h"
#include "app/help_window.h"
#include "app/progress_log.h"
#include "app/recovery_view.h"
#include "app/view_dialogs.h"
#include "engine/job/messages.h"

#ifndef VLX_PRODUCT_WEB_PAGE
#define VLX_PRODUCT_WEB_PAGE ""
#endif

namespace vlx::app {

MainWindow::MainWindow(ViewServices services, std::function<void()> watchdog,
                       QString startup_folder, QWidget* parent)
    : QMainWindow(parent),
      watchdog_(std::move(watchdog)),
      startup_folder_(std::move(startup_folder)) {
  setObjectName("MainFrame");
  setWindowTitle(kApplicationTitle);
  setWindowIcon(ApplicationIcon());
  if (!startup_folder_.endsWith('/')) startup_folder_ += '/';

  log_ = new ProgressLog;
  auto* dock = new QDockWidget(tr("Progress Log"), this);
  dock->setObjectName("Progress Log");
  dock->setWidget(log_);
  dock->resize(250, 120);
  log_->setMinimumHeight(120);
  addDockWidget(Qt::BottomDockWidgetArea, dock);

  view_ = new RecoveryView(std::move(services), log_, this);
  setCentralWidget(view_);
  connect(view_, &RecoveryView::showMaximisedRequested, this, [this] { showMaximized(); });
  BuildMenusAndBars();
  statusBar();
  RestoreLayout();

  auto* timer = new QTimer(this);
  timer->setInterval(1000);
  connect(timer, &QTimer::timeout, this, [this] {
    if (watchdog_) watchdog_();
  });
  timer->start();
}

void MainWindow::BuildMenusAndBars() {
  menuBar()->setObjectName("Menu Bar");
  auto make = [this](const QString& text, const QString& prompt, const QKeySequence& keys,
                     auto slot) {
    auto* action = new QAction(text, this);
    action->setStatusTip(prompt.section('\n', 0, 0));
    action->setToolTip(prompt.section('\n', 1, 1));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QAction* add_file = make(tr("&Add File"), tr("Add file to repair \nAdd File"), QKeySequence::Open,
                           [this] { view_->AddFile(); });
  add_file->setObjectName("AddFileAction");
  QAction* recover = make(tr("&Recover"), tr("Recover Selected file\nRecover"),
                          QKeySequence(Qt::CTRL | Qt::Key_R), [this] { view_->StartRecovery(); });
  recover->setObjectName("RecoverAction");
  QAction* stop = make(tr("&Stop"), tr("Stop the running repair\nStop"),
                       QKeySequence(Qt::Key_Escape), [this] { view_->RequestStop(); });
  stop->setObjectName("StopAction");
  stop->setShortcutContext(Qt::WindowShortcut);  // Esc in a dialog stays the dialog's
  QAction* exit = make(tr("E&xit"), tr("Exit\nExit"), QKeySequence::Quit, [this] { Exit(); });
  QAction* settings = make(tr("Settings"), tr("Settings\nSettings"), QKeySequence(),
                           [this] { ShowFolderSettings(); });
  QAction* about = make(tr("&About Veltrix Pellum PowerPoint recovery..."), tr("About\nAbout"),
                        QKeySequence(), [this] { ShowAbout(); });
  QAction* help =
      make(tr("&Help"), tr("Help\nHelp"), QKeySequence::HelpContents, [this] { ShowHelp(); });
  help->setObjectName("HelpAction");
  add_file->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  recover->setIcon(RecoverIcon());
  settings->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  help->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(add_file);
  file->addAction(recover);
  file->addAction(stop);
  file->addSeparator();
  file->addAction(exit);
  menuBar()->addMenu(tr("&Tools"))->addAction(settings);
  QMenu* help_menu = menuBar()->addMenu(tr("&Help"));
  help_menu->addAction(about);
  help_menu->addAction(help);

  QToolBar* standard = addToolBar(tr("Standard"));
  standard->setObjectName("Standard");
  for (QAction* a : {add_file, recover, settings, help}) standard->addAction(a);
}

void MainWindow::SaveLayout() {
  QSettings settings;
  settings.setValue(kLayoutKey, saveState());
  settings.sync();
}

void MainWindow::RestoreLayout() {
  QSettings settings;
  const QByteArray state = settings.value(kLayoutKey).toByteArray();
  if (!state.isEmpty()) restoreState(state);
}

void MainWindow::ShowFolderSettings() {
  FolderSettingsDialog dialog(view_->prefix(), view_->generate_log(), view_->dialogs(), this);
  dialog.set_results_folder(view_->results_folder());
  if (dialog.exec() != QDialog::Accepted) return;
  view_->set_prefix(dialog.prefix());
  view_->set_results_folder(dialog.results_folder());
  view_->set_generate_log(dialog.generate_log());
}

void MainWindow::ShowHelp() {
  // The pages are part of the program, so help opens wherever it runs; the compiled help
  // file beside them is for readers that open it themselves.
  if (help_ == nullptr) help_ = new HelpWindow(this);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void MainWindow::ShowAbout() {
  QMessageBox::about(this, tr("About Veltrix Pellum PowerPoint recovery"),
                     tr("<b>%1</b><br>Version %2<br><br>Repairs damaged PowerPoint 97&ndash;2003 "
                        "presentations (.ppt, .pot, .pps): slides, texts and pictures.")
                         .arg(kApplicationTitle, QCoreApplication::applicationVersion()));
}

void MainWindow::Exit() {
  SaveLayout();
  const int answer = view_->dialogs().Message(this, tr("Do you really want to exit?"),
                                              kApplicationTitle, kStyleYesNoQuestion);
  if (answer != kAnswerYes) return;
  view_->stop_flag() = true;
  view_->EndOffices();
  const QString page = VLX_PRODUCT_WEB_PAGE;
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(page));
  ::_exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  Exit();
}

}  // namespace vlx::app
