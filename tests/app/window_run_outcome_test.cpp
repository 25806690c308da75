// How a finished run tells the user what came of it: saved or not, where, and how to
// get at it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "engine/format/workspace_files.h"
#include "engine/job/messages.h"
#include "tests/app/window_fixture.h"

namespace vlx::app::testing {
namespace {

class RunOutcomeTest : public WindowTest {};

TEST_F(RunOutcomeTest, ASavedRunNamesItsFolderAndOpensItAndItsFiles) {
  ASSERT_TRUE(RunToEnd(SampleCopy(), 2));
  const QString folder = results_ + "/Rec/";
  EXPECT_EQ(QString::fromStdString(view_->output_folder()), folder);
  EXPECT_TRUE(QFileInfo(folder + kFastResultName).isFile());
  EXPECT_TRUE(Log().contains("Repairing completed")) << Log().toStdString();
  EXPECT_FALSE(dialogs_.Told(kNothingSavedMessage));

  EXPECT_FALSE(view_->folder_label()->isHidden());
  EXPECT_TRUE(view_->folder_label()->text().contains(QDir::toNativeSeparators(folder)));
  view_->open_folder_button()->click();
  ASSERT_EQ(opened_.size(), 1);
  EXPECT_EQ(opened_.last(), QUrl::fromLocalFile(folder));

  // A slide opens the saved presentation; a picture its own file.
  QListWidget* slides = view_->list(ResultList::kSlides);
  ASSERT_GT(slides->count(), 0);
  emit slides->itemActivated(slides->item(0));
  ASSERT_EQ(opened_.size(), 2);
  EXPECT_EQ(opened_.last(), QUrl::fromLocalFile(folder + kFastResultName));
  QListWidget* pictures = view_->list(ResultList::kPictures);
  ASSERT_GT(pictures->count(), 0);
  emit pictures->itemActivated(pictures->item(0));
  ASSERT_EQ(opened_.size(), 3);
  EXPECT_TRUE(opened_.last().toLocalFile().startsWith(folder + "Pictures/"))
      << opened_.last().toString().toStdString();
  EXPECT_TRUE(QFileInfo(opened_.last().toLocalFile()).isFile());

  KeepScreenshot(window_->grab().toImage(), "finished-run.png");

  view_->Back();
  EXPECT_TRUE(view_->folder_label()->isHidden());
  EXPECT_TRUE(view_->open_folder_button()->isHidden());
}

TEST_F(RunOutcomeTest, AFailedSaveIsAMessageAndNeverRepairingCompleted) {
  // The result's place is taken just before the office would save there, and the office's
  // save fails: neither the office nor the copy of the assembled file can save.
  const QString blocked = results_ + "/Rec/" + kFastResultName;
  images_.before_slide_thumbnail = [blocked] { QDir().mkpath(blocked); };
  office_->FailCallsFrom("Presentation.SaveAs", 2);
  ASSERT_TRUE(RunToEnd(SampleCopy(), 2));
  EXPECT_GT(view_->list(ResultList::kSlides)->count(), 0) << "slides were listed";
  EXPECT_TRUE(view_->saved_presentation().empty());
  EXPECT_TRUE(Log().contains("Cannot save")) << Log().toStdString();
  EXPECT_FALSE(Log().contains("Repairing completed")) << Log().toStdString();
  ASSERT_TRUE(dialogs_.Told(kNothingSavedMessage)) << dialogs_.messages.join('|').toStdString();
  EXPECT_EQ(dialogs_.styles.last(), kStyleWarning);
  EXPECT_TRUE(view_->folder_label()->text().contains("No presentation was saved"));
}

TEST_F(RunOutcomeTest, AnInputWithNothingInItSavesNothingAndSaysSo) {
  const QString noise = temp_.filePath("noise.ppt");
  {
    QFile out(noise);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QByteArray bytes(200000, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919) >> 3);
    out.write(bytes);
  }
  ASSERT_TRUE(RunToEnd(noise, 1));
  EXPECT_FALSE(Log().contains("Repairing completed")) << Log().toStdString();
  EXPECT_TRUE(view_->saved_presentation().empty());
}

TEST_F(RunOutcomeTest, AResultsFolderThatCannotBeWrittenStartsNoRun) {
  view_->set_results_folder(temp_.filePath("missing"));
  view_->path_field()->setText(SampleCopy());
  view_->StartRecovery();
  EXPECT_EQ(view_->view_state(), 1);
  ASSERT_EQ(dialogs_.messages.size(), 1);
  EXPECT_TRUE(dialogs_.messages.first().contains(temp_.filePath("missing")));
  EXPECT_FALSE(QFileInfo::exists(temp_.filePath("missing")));
}

TEST_F(RunOutcomeTest, WithoutAChosenFolderResultsGoBesideTheInput) {
  view_->set_results_folder(QString());
  ASSERT_TRUE(RunToEnd(SampleCopy(), 2));
  EXPECT_EQ(QString::fromStdString(view_->output_folder()), temp_.path() + "/Rec/");
  // The next run makes its own folder beside the first, not inside it.
  view_->Back();
  ASSERT_TRUE(RunToEnd(SampleCopy(), 2));
  EXPECT_EQ(QString::fromStdString(view_->output_folder()), temp_.path() + "/1Rec/");
}

}  // namespace
}  // namespace vlx::app::testing
