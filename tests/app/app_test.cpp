#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <fstream>
#include <thread>

#include "app/folder_settings_dialog.h"
#include "app/main_window.h"
#include "app/master_slide_dialog.h"
#include "app/progress_log.h"
#include "app/recovery_mode_dialog.h"
#include "app/recovery_view.h"
#include "app/single_instance.h"
#include "app/view_dialogs.h"
#include "automation/imaging/qt_image_toolkit.h"
#include "automation/testing/scripted_office.h"
#include "engine/job/progress_sink.h"

using namespace vlx;
using namespace vlx::app;

namespace {

// Dialogs whose answers a test sets.
class ScriptedDialogs : public ViewDialogs {
 public:
  std::optional<QString> ChooseFile(QWidget*) override {
    ++file_dialogs;
    return chosen_file;
  }
  std::optional<RecoveryMode> AskRecoveryMode(QWidget*) override {
    ++mode_dialogs;
    return mode;
  }
  int Message(QWidget*, const QString& text, const QString& caption, int style) override {
    messages << text;
    captions << caption;
    styles << style;
    return answer;
  }
  std::optional<QString> chosen_file;
  std::optional<RecoveryMode> mode = RecoveryMode::kFast;
  int answer = kAnswerYes;
  int file_dialogs = 0;
  int mode_dialogs = 0;
  QStringList messages, captions;
  QList<int> styles;
};

QString CorpusFile(const QString& name) {
  return QString(VLX_CORPUS_DIR) + "/healthy/" + name;
}

// A copy of a corpus presentation with its compound-file header destroyed.
QString DamagedCopy(const QTemporaryDir& dir, const QString& name) {
  QFile source(CorpusFile(name));
  if (!source.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = source.readAll();
  bytes.replace(0, 512, QByteArray(512, '\0'));
  const QString path = dir.filePath("damaged-" + name);
  QFile out(path);
  out.open(QIODevice::WriteOnly);
  out.write(bytes);
  return path;
}

QStringList Labels(QListWidget* list) {
  QStringList labels;
  for (int i = 0; i < list->count(); ++i) labels << list->item(i)->text();
  return labels;
}

}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(temp_.isValid());
    allow_start_ = true;
    office_checks_ = 0;
    office_terminations_ = 0;
    QDir::setCurrent(temp_.path());  // output folders land here
    dialogs_ = std::make_unique<ScriptedDialogs>();
    office_ = std::make_unique<testing::ScriptedOffice>();
    ViewServices services;
    services.dialogs = dialogs_.get();
    services.images = &images_;
    services.office = office_.get();
    services.trace = &trace_;
    services.workspace = Workspace::At(temp_.filePath("vlxTemp").toStdString());
    services.check_office_running = [this](ProgressSink&) {
      ++office_checks_;
      return allow_start_;
    };
    services.terminate_office = [this] { ++office_terminations_; };
    window_ = std::make_unique<MainWindow>(std::move(services), nullptr, temp_.path());
    view_ = window_->view();
    view_->set_results_folder(temp_.path());  // output folders land here
    master_ = std::make_unique<WindowMasterSlideDialog>(window_.get(), *dialogs_);
    master_->set_accept_first(true);
    view_->set_master_dialog(master_.get());
  }

  void cleanup() {
    window_.reset();
    master_.reset();
    office_.reset();
  }

  void recoverWithEmptyPathOpensTheFileDialogOnly() {
    dialogs_->chosen_file = "/some/file.ppt";
    view_->StartRecovery();
    QCOMPARE(dialogs_->file_dialogs, 1);
    QCOMPARE(dialogs_->mode_dialogs, 0);
    QCOMPARE(view_->view_state(), 1);
    QCOMPARE(view_->path_field()->text(), QString("/some/file.ppt"));
  }

  void missingFileShowsItsMessageAndStartsNothing() {
    view_->path_field()->setText(temp_.filePath("absent.ppt"));
    view_->StartRecovery();
    QCOMPARE(dialogs_->messages, QStringList{"Please Select Valid File by using brouse Button"});
    QCOMPARE(dialogs_->captions.first(), QString("Veltrix Pellum PowerPoint"));
    QCOMPARE(dialogs_->styles.first(), kStyleWarning);
    QCOMPARE(dialogs_->mode_dialogs, 0);
    QCOMPARE(view_->view_state(), 1);
  }

  void cancelInTheModeDialogOrTheOfficeCheckStartsNothing() {
    view_->path_field()->setText(CorpusFile("empty.ppt"));
    dialogs_->mode.reset();
    view_->StartRecovery();
    QCOMPARE(view_->view_state(), 1);
    QCOMPARE(office_checks_, 0);
    dialogs_->mode = RecoveryMode::kStandard;
    allow_start_ = false;
    view_->StartRecovery();
    QCOMPARE(office_checks_, 1);
    QCOMPARE(view_->view_state(), 1);
    QVERIFY(view_->recover_button()->isVisibleTo(view_));
  }

  void settingsRefuseAnApostropheAndAcceptAFullStopOrBlank() {
    FolderSettingsDialog dialog("Rec", false, *dialogs_);
    dialog.prefix_field()->setText("it's");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));  // still open
    QCOMPARE(dialogs_->messages, QStringList{"Illegal character found in file pre fix "});
    QCOMPARE(dialogs_->styles.first(), kStyleInformation);
    for (const QString ok : {"v1.2", "my rec", ""}) {
      FolderSettingsDialog good("Rec", false, *dialogs_);
      good.prefix_field()->setText(ok);
      good.log_box()->setChecked(true);
      good.accept();
      QCOMPARE(good.result(), int(QDialog::Accepted));
      QCOMPARE(good.prefix(), ok);
      QVERIFY(good.generate_log());
    }
    for (const QString bad : {"a/b", "a\\b", "a|b", "a*b", "a:b", "a?b", "a<b", "a>b"})
      QVERIFY(FolderSettingsDialog::HasIllegalCharacter(bad));
  }

  void masterDialogListsCandidatesAndReportsTheSelection() {
    // A canned search: three candidates, the second with a found blip store of 4321 bytes.
    MasterSlideDialogWindow dialog(
        [](MasterSearchObserver& observer, const std::atomic<bool>&) {
          MasterSearchResult result;
          result.kind = CandidateKind::kFoundMasterFoundStore;
          for (int i = 0; i < 3; ++i) {
            MasterCandidate c{uint64_t(1000 + i), 2476, uint64_t(5000 + i),
                              uint64_t(4320 + i), i,    {}};
            observer.SetListLabel("Processing List:- " + std::to_string(i + 1) + " of 4");
            observer.AddItem(c, Bitmap{170, 120, std::vector<uint32_t>(170 * 120, 0xFF336699)},
                             "Master Slide " + std::to_string(i + 1));
            result.candidates.push_back(c);
          }
          return result;
        },
        *dialogs_);
    QSignalSpy finished(&dialog, &MasterSlideDialogWindow::searchFinished);
    dialog.show();
    QVERIFY(finished.wait(10000));
    QVERIFY(dialog.ok_button()->isVisibleTo(&dialog));
    QVERIFY(!dialog.stop_button()->isVisibleTo(&dialog));
    QCOMPARE(dialog.list()->count(), 3);
    QCOMPARE(dialog.list()->item(2)->text(), QString("Master Slide 3"));

    dialog.accept();  // nothing selected: warned, still open
    QCOMPARE(dialogs_->messages, QStringList{"Please select Master Slide from list"});
    QCOMPARE(dialogs_->captions.first(), QString("Veltrix Pellum PowerPoint Recovery"));
    QVERIFY(dialog.isVisible());

    dialog.list()->setCurrentRow(1);
    QCOMPARE(dialog.master_number()->text(), QString("2"));
    QCOMPARE(dialog.master_size()->text(), QString("4321"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.choice().kind, CandidateKind::kFoundMasterFoundStore);
    QCOMPARE(dialog.choice().master_offset, uint64_t(1001));
    QCOMPARE(dialog.choice().blip_store_length, uint64_t(4321));
  }

  void masterDialogStopKeepsTheCandidatesFoundSoFar() {
    std::atomic<bool> release{false};
    MasterSlideDialogWindow dialog(
        [&release](MasterSearchObserver& observer, const std::atomic<bool>& stop) {
          MasterSearchResult result;
          for (int i = 0; i < 1000 && !stop; ++i) {
            MasterCandidate c{0, 0, 0, 0, i, {}};
            observer.AddItem(c, Bitmap{4, 4, std::vector<uint32_t>(16, 0xFF000000)},
                             "Master Slide " + std::to_string(i + 1));
            result.candidates.push_back(c);
            while (i == 1 && !release && !stop)
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          return result;
        },
        *dialogs_);
    QSignalSpy finished(&dialog, &MasterSlideDialogWindow::searchFinished);
    dialog.show();
    QTRY_COMPARE(dialog.list()->count(), 2);
    dialogs_->answer = kAnswerNo;
    dialog.reject();  // Escape while searching asks; No goes on
    QCOMPARE(dialogs_->messages.last(), QString("Do you really want to stop searching process ?"));
    QVERIFY(dialog.searching());
    dialogs_->answer = kAnswerYes;
    dialog.RequestStop();
    QVERIFY(finished.wait(10000));
    QCOMPARE(dialog.list()->count(), 2);
    dialog.reject();  // after the search, Cancel closes
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  void modeDialogStartsOnTheStandardModeAndPicturesSelect() {
    RecoveryModeDialog dialog;
    QVERIFY(dialog.standard_button()->isChecked());
    QCOMPARE(dialog.mode(), RecoveryMode::kStandard);
    dialog.fast_button()->setChecked(true);
    QCOMPARE(dialog.mode(), RecoveryMode::kFast);
    QVERIFY(!dialog.mask().isEmpty());  // shaped by its background
  }

  void aSecondInstanceIsRefused() {
    SingleInstance first(temp_.path());
    QVERIFY(first.Acquired());
    SingleInstance second(temp_.path());
    QVERIFY(!second.Acquired());
  }

  void fastRunFillsTheListsAndEndsWithTheBackButton() {
    if (!QFile::exists(CorpusFile("42520.ppt"))) QSKIP("test corpus not found");
    const QString input = DamagedCopy(temp_, "42520.ppt");
    const QByteArray before = ReadFile(input);
    RunToEnd(input, RecoveryMode::kFast);
    QCOMPARE(Labels(view_->list(ResultList::kSlides)), QStringList{"Slide 1"});
    QVERIFY(!Labels(view_->list(ResultList::kPictures)).isEmpty());
    QCOMPARE(Labels(view_->list(ResultList::kPictures)).first(),
             QString("Image %1").arg(view_->list(ResultList::kPictures)->count()));
    QVERIFY(view_->back_button()->isVisibleTo(view_));
    QVERIFY(!view_->stop_button()->isVisibleTo(view_));
    QVERIFY(!view_->progress_bar()->isVisibleTo(view_));
    QVERIFY(view_->log()->toPlainText().endsWith("Repairing completed"));
    QVERIFY(view_->log()->toPlainText().contains("    Recovered Slide 1"));
    QCOMPARE(ReadFile(input), before);  // the damaged file is never written to
    QVERIFY(
        QFile::exists(QString::fromStdString(view_->output_folder()) + "RecSlideIntigrated.ppt"));

    // Recover while the results are on screen does nothing.
    const int modes = dialogs_->mode_dialogs;
    view_->StartRecovery();
    QCOMPARE(dialogs_->mode_dialogs, modes);

    // Back empties the lists and returns to the start layout.
    view_->Back();
    QCOMPARE(view_->view_state(), 1);
    QCOMPARE(office_terminations_, 1);
    for (auto list : {ResultList::kSlides, ResultList::kDataSlides, ResultList::kPictures})
      QCOMPARE(view_->list(list)->count(), 0);
    QVERIFY(view_->recover_button()->isVisibleTo(view_));
    QVERIFY(view_->browse_button()->isVisibleTo(view_));
    QVERIFY(!view_->back_button()->isVisibleTo(view_));
  }

  void fastRunWithoutSlidesAdvisesTheStandardMode() {
    office_->FailEveryOpen();  // what the office does with a file holding no presentation
    const QString input = temp_.filePath("noise.ppt");
    WriteFile(input, QByteArray(70000, 'x'));
    RunToEnd(input, RecoveryMode::kFast);
    QCOMPARE(view_->list(ResultList::kSlides)->count(), 0);
    QVERIFY(
        dialogs_->messages.contains("This selected mode is unable to recover file , please select "
                                    "standard mode to recover this "
                                    "file "));
  }

  // The presentation's own records give its deck back: its slides carry their texts, so
  // no data slide repeats them.
  void standardRunGivesThePresentationsOwnSlidesBack() {
    if (!QFile::exists(CorpusFile("basic_test_ppt_file.ppt"))) QSKIP("test corpus not found");
    const QString input = DamagedCopy(temp_, "basic_test_ppt_file.ppt");
    RunToEnd(input, RecoveryMode::kStandard);
    QVERIFY(view_->list(ResultList::kDataSlides)->isVisibleTo(view_));
    const QStringList slides = Labels(view_->list(ResultList::kSlides));
    QVERIFY2(!slides.isEmpty(), qPrintable(view_->log()->toPlainText()));
    QCOMPARE(slides.first(), QString("Slide 1"));
    QVERIFY2(view_->log()->toPlainText().contains("are on the deck's own slides"),
             qPrintable(view_->log()->toPlainText()));
    QCOMPARE(Labels(view_->list(ResultList::kDataSlides)).size(), 0);
    QVERIFY(view_->log()->toPlainText().endsWith("Repairing completed"));
    QVERIFY(view_->back_button()->isVisibleTo(view_));
  }

  void stopDuringARunEndsWithUserAborted() {
    // A large input keeps the picture scan busy long enough to stop it.
    const QString input = temp_.filePath("large.ppt");
    WriteFile(input, QByteArray(48 << 20, '\x11'));
    dialogs_->answer = kAnswerYes;
    view_->path_field()->setText(input);
    QSignalSpy finished(view_, &RecoveryView::runFinished);
    view_->StartRecovery();
    QCOMPARE(view_->view_state(), 2);
    view_->RequestStop();
    QCOMPARE(view_->status_label()->text(), QString("User aborted process"));
    QVERIFY(!view_->stop_button()->isVisibleTo(view_));
    QVERIFY(finished.wait(120000));
    QVERIFY(view_->log()->toPlainText().contains("User aborted repairing process"));
    QVERIFY(!QFileInfo::exists(temp_.filePath("vlxTemp")));
  }

 private:
  static QByteArray ReadFile(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }
  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
  }

  void RunToEnd(const QString& input, RecoveryMode mode) {
    dialogs_->mode = mode;
    dialogs_->answer = kAnswerOk;
    view_->path_field()->setText(input);
    QSignalSpy finished(view_, &RecoveryView::runFinished);
    view_->StartRecovery();
    QCOMPARE(view_->view_state(), 2);
    QVERIFY(view_->stop_button()->isVisibleTo(view_));
    QCOMPARE(view_->list(ResultList::kDataSlides)->isVisibleTo(view_),
             mode == RecoveryMode::kStandard);
    QVERIFY(finished.wait(300000));
  }

  QTemporaryDir temp_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<testing::ScriptedOffice> office_;
  QtImageToolkit images_;
  TraceLog trace_{"/dev/null", false};
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<WindowMasterSlideDialog> master_;
  RecoveryView* view_ = nullptr;
  int office_checks_ = 0;
  int office_terminations_ = 0;
  bool allow_start_ = true;
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
