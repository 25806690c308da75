// What a desktop user expects of the window: a chosen output folder, dropped files,
// shortcuts, file filters, help in the program, one program per user.
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTextBrowser>

#include "app/dropped_file.h"
#include "app/folder_settings_dialog.h"
#include "app/help_window.h"
#include "app/results_folder.h"
#include "app/single_instance.h"
#include "tests/app/window_fixture.h"

namespace vlx::app::testing {
namespace {

class ConventionsTest : public WindowTest {
 protected:
  // Sends a drag of the given addresses onto the view; true when the view took it.
  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = view_->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_, &drop);
    return drop.isAccepted();
  }

  QAction* Action(const char* name) const { return window_->findChild<QAction*>(name); }
};

TEST_F(ConventionsTest, SettingsChooseTheResultsFolderAndRefuseOneThatCannotHoldThem) {
  FolderSettingsDialog dialog("Rec", false, dialogs_);
  EXPECT_EQ(QDir::fromNativeSeparators(dialog.results_field()->text()), DefaultResultsFolder());
  EXPECT_FALSE(dialog.beside_input_box()->isChecked());

  dialog.results_field()->setText(temp_.filePath("nowhere"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), int(QDialog::Rejected)) << "still open";
  ASSERT_EQ(dialogs_.messages.size(), 1);
  EXPECT_TRUE(dialogs_.messages.first().contains("nowhere"));

  const QString chosen = temp_.filePath("chosen");
  ASSERT_TRUE(QDir().mkpath(chosen));
  dialog.results_field()->setText(chosen);
  dialog.accept();
  EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
  EXPECT_EQ(dialog.results_folder(), chosen);

  FolderSettingsDialog beside("Rec", false, dialogs_);
  beside.results_field()->setText(temp_.filePath("nowhere"));
  beside.beside_input_box()->setChecked(true);
  EXPECT_FALSE(beside.results_field()->isEnabled());
  beside.accept();
  EXPECT_EQ(beside.result(), int(QDialog::Accepted));
  EXPECT_TRUE(beside.results_folder().isEmpty());

  // A run goes to the folder chosen.
  view_->set_results_folder(chosen);
  ASSERT_TRUE(RunToEnd(SampleCopy(), 2));
  EXPECT_EQ(QString::fromStdString(view_->output_folder()), chosen + "/Rec/");
  EXPECT_TRUE(QFileInfo(chosen + "/Rec/Pictures").isDir());
}

TEST_F(ConventionsTest, TheDefaultResultsFolderIsTheUsersNotTheProgramsFolder) {
  const QString folder = DefaultResultsFolder();
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_TRUE(folder.startsWith(QDir::homePath())) << folder.toStdString();
  EXPECT_NE(folder, QCoreApplication::applicationDirPath());
  EXPECT_EQ(ResultsFolderFor(QString(), "/data/talks/a.ppt"), QString("/data/talks"));
  EXPECT_EQ(ResultsFolderFor("/x/y/", "/data/talks/a.ppt"), QString("/x/y"));
}

TEST_F(ConventionsTest, ADroppedFileGoesIntoThePathFieldOnlyInTheStartLayout) {
  const QString file = SampleCopy();
  EXPECT_FALSE(Drop({QUrl::fromLocalFile(file), QUrl::fromLocalFile(file)})) << "two files";
  EXPECT_FALSE(Drop({QUrl::fromLocalFile(temp_.path())})) << "a folder";
  EXPECT_FALSE(Drop({QUrl("https://example.org/a.ppt")})) << "not a local file";
  EXPECT_TRUE(view_->path_field()->text().isEmpty());
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(file)}));
  EXPECT_EQ(view_->path_field()->text(), QDir::toNativeSeparators(file));

  ASSERT_TRUE(RunToEnd(file, 2));
  EXPECT_FALSE(Drop({QUrl::fromLocalFile(temp_.filePath("other.ppt"))})) << "after the run";
  EXPECT_EQ(view_->path_field()->text(), QDir::toNativeSeparators(file));
}

TEST_F(ConventionsTest, CommandsHaveTheUsualShortcutsAndTheMenusShowThem) {
  ASSERT_NE(Action("AddFileAction"), nullptr);
  EXPECT_EQ(Action("AddFileAction")->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(Action("RecoverAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  EXPECT_EQ(Action("StopAction")->shortcut(), QKeySequence(Qt::Key_Escape));
  EXPECT_EQ(Action("HelpAction")->shortcut(), QKeySequence(QKeySequence::HelpContents));
  // A menu shows the shortcut of every action it holds.
  for (const char* name : {"AddFileAction", "RecoverAction", "StopAction", "HelpAction"}) {
    bool in_a_menu = false;
    for (QAction* menu : window_->menuBar()->actions())
      if (menu->menu() != nullptr && menu->menu()->actions().contains(Action(name)))
        in_a_menu = true;
    EXPECT_TRUE(in_a_menu) << name;
  }
  // Ctrl+O is the Browse of the start layout.
  dialogs_.chosen_file = "/some/where/deck.pps";
  Action("AddFileAction")->trigger();
  EXPECT_EQ(view_->path_field()->text(), QString("/some/where/deck.pps"));
}

TEST_F(ConventionsTest, TheFileDialogOffersThePresentationKindsTogetherAndAlone) {
  const QStringList filters = PresentationFileFilters();
  ASSERT_EQ(filters.size(), 5);
  EXPECT_TRUE(filters[0].contains("(*.ppt *.pot *.pps)"));
  EXPECT_TRUE(filters[1].endsWith("(*.ppt)"));
  EXPECT_TRUE(filters[2].endsWith("(*.pot)"));
  EXPECT_TRUE(filters[3].endsWith("(*.pps)"));
  EXPECT_TRUE(filters[4].endsWith("(*)"));
}

TEST_F(ConventionsTest, HelpOpensInTheProgramWithItsPagesAndLinks) {
  window_->ShowHelp();
  HelpWindow* help = window_->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  QTextBrowser* browser = help->browser();
  EXPECT_EQ(browser->source(), QUrl(HelpWindow::kContentsPage));
  EXPECT_FALSE(browser->toPlainText().trimmed().isEmpty());
  browser->setSource(QUrl("qrc:/help/results.html"));
  EXPECT_TRUE(browser->toPlainText().contains("Open Output Folder"));
  window_->ShowHelp();  // a second F1 raises the same window
  EXPECT_EQ(window_->help_window(), help);
}

TEST(SingleInstanceTest, OneProgramPerUserAndAStaleLockIsTakenOver) {
  QTemporaryDir folder;
  {
    SingleInstance first(folder.path());
    ASSERT_TRUE(first.Acquired());
    SingleInstance second(folder.path());
    EXPECT_FALSE(second.Acquired());
  }
  // A lock whose program is gone (a process number nobody has) is taken over.
  QString path;
  {
    SingleInstance probe(folder.path());
    path = probe.lock_path();
  }
  {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(qint64(0x3ffffff0)) + "\nvlxrecovery-gui\n" +
                QSysInfo::machineHostName().toUtf8() + "\n");
  }
  SingleInstance after_crash(folder.path());
  EXPECT_TRUE(after_crash.Acquired());
  EXPECT_TRUE(SingleInstance::DefaultLockFolder().startsWith(
      QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)));
}

}  // namespace
}  // namespace vlx::app::testing
