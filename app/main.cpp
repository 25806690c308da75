// The desktop program: one window, one run at a time.

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTimer>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/artwork.h"
#include "app/main_window.h"
#include "app/master_slide_dialog.h"
#include "app/progress_log.h"
#include "app/recovery_view.h"
#include "app/screen_scaled_images.h"
#include "app/single_instance.h"
#include "app/view_dialogs.h"
#include "automation/imaging/qt_image_toolkit.h"
#include "automation/libreoffice/libreoffice_server.h"
#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_processes.h"
#include "engine/job/damaged_file.h"
#include "engine/job/leftover_sweep.h"
#include "engine/job/messages.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"

namespace {

using vlx::app::QtViewDialogs;

// Unattended runs (screenshots, demonstrations): the mode is given, messages are
// answered with OK/No without showing.
class UnattendedDialogs : public QtViewDialogs {
 public:
  explicit UnattendedDialogs(vlx::RecoveryMode mode) : mode_(mode) {}
  std::optional<vlx::RecoveryMode> AskRecoveryMode(QWidget*) override { return mode_; }
  int Message(QWidget*, const QString& text, const QString&, int) override {
    std::cerr << text.toStdString() << "\n";
    return vlx::kAnswerNo;
  }

 private:
  vlx::RecoveryMode mode_;
};

// Exit statuses of an unattended run, as the command-line tool gives them.
constexpr int kExitRecovered = 0;
constexpr int kExitNothingRecovered = 1;
constexpr int kExitUnusable = 2;
constexpr int kExitIncomplete = 3;
constexpr int kExitStopped = 130;

struct Options {
  QCommandLineOption run{
      "run", "Repair FILE at once, without questions; the results go beside FILE.", "FILE"};
  QCommandLineOption mode{"mode", "Mode of an unattended run: standard or fast.", "MODE",
                          "standard"};
  QCommandLineOption shot{"screenshot",
                          "Save the window as PNG (after an unattended run, or at start) and end.",
                          "PNG"};
};

void Describe(QCommandLineParser& parser, const Options& options) {
  parser.setApplicationDescription(vlx::kApplicationTitle);
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({options.run, options.mode, options.shot});
  parser.addPositionalArgument("file", "A damaged presentation to put in the path field.",
                               "[FILE]");
}

void NameApplication() {
  QCoreApplication::setOrganizationName("Veltrix Pellum");
  QCoreApplication::setApplicationName("PowerPoint Recovery");
  QCoreApplication::setApplicationVersion(PROJECT_VERSION);
}

// --help and --version need no window: answered without a display.
bool AsksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

// What an unattended run ended with.
int RunStatus(vlx::app::RecoveryView& view) {
  const vlx::RunEnvironment* env = view.last_run();
  if (view.stop_flag().load()) return kExitStopped;
  if (env != nullptr && !env->failure.empty()) return kExitIncomplete;
  int items = 0;
  for (auto list :
       {vlx::ResultList::kSlides, vlx::ResultList::kDataSlides, vlx::ResultList::kPictures})
    items += view.list(list)->count();
  return items > 0 ? kExitRecovered : kExitNothingRecovered;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (AsksOnlyForText(argc, argv)) {
    QCoreApplication text_only(argc, argv);
    NameApplication();
    QCommandLineParser parser;
    Describe(parser, options);
    parser.process(text_only);  // prints and ends
    return 0;
  }
  QApplication app(argc, argv);
  NameApplication();
  QApplication::setWindowIcon(vlx::app::ApplicationIcon());

  QCommandLineParser parser;
  Describe(parser, options);
  parser.process(app);
  const QCommandLineOption& run_option = options.run;
  const QCommandLineOption& mode_option = options.mode;
  const QCommandLineOption& shot_option = options.shot;
  const bool unattended = parser.isSet(run_option);
  if (unattended) {
    // An unattended run has nobody to answer a message: a file it cannot read ends it.
    std::string why;
    if (!vlx::DamagedFile::Open(parser.value(run_option).toStdString(), &why)) {
      std::cerr << "vlxrecovery-gui: cannot read " << why << "\n";
      return kExitUnusable;
    }
  }

  vlx::app::SingleInstance instance;
  if (!instance.Acquired() && unattended) {
    std::cerr << "vlxrecovery-gui: another instance is running\n";
    return kExitUnusable;
  }
  if (!instance.Acquired()) {
    vlx::app::ShowStyledMessage(nullptr,
                                "Another Instance of Veltrix Pellum PowerPoint is running ",
                                vlx::kMessageCaption, vlx::kStyleWarning);
    return 0;
  }

  vlx::TraceLog trace(vlx::TraceLog::DefaultPath(), false);
  trace.Remove();
  // Programs of ours that were killed left their workspaces, office folders and pipe
  // sockets; nobody else removes them.
  vlx::SweepDeadRunWorkspaces(vlx::Workspace::SystemTempPath());
  vlx::lo::RemoveStaleOfficeFolders();

  QtViewDialogs interactive_dialogs;
  UnattendedDialogs unattended_dialogs(parser.value(mode_option) == "fast"
                                           ? vlx::RecoveryMode::kFast
                                           : vlx::RecoveryMode::kStandard);
  vlx::QtImageToolkit picture_library;
  vlx::app::ScreenScaledImages images(picture_library);

  vlx::app::ProgressLog* log = nullptr;
  vlx::LibreOfficeOptions office_options;
  office_options.log = [&log](const std::string& line) {
    std::cerr << line << "\n";
    if (log != nullptr) {
      QMetaObject::invokeMethod(
          log, [log, text = QString::fromStdString(line + "\r\n")] { log->Append(text); });
    }
  };
  auto office = std::make_unique<vlx::LibreOfficeServer>(office_options);

  vlx::app::ViewServices services;
  services.dialogs =
      unattended ? static_cast<vlx::app::ViewDialogs*>(&unattended_dialogs) : &interactive_dialogs;
  services.images = &images;
  services.office = office.get();
  services.workspace = vlx::Workspace::Fresh();
  const vlx::Workspace workspace = services.workspace;
  services.trace = &trace;
  services.check_office_running = [](vlx::ProgressSink& sink) {
    return vlx::CheckPowerPointRunning(sink);
  };
  services.terminate_office = [] { vlx::TerminatePowerPoint(); };

  vlx::app::MainWindow window(
      std::move(services), [&office] { office->OnPowerPointWatchdogTimer(); }, QDir::currentPath());
  // Ends at once without Qt's teardown; the office (its process, profile folder and
  // pipe) and the workspace go first.
  const auto end_now = [&](int status) {
    office.reset();
    workspace.Delete();
    std::fflush(nullptr);
    ::_exit(status);
  };
  log = window.progress_log();
  vlx::app::WindowMasterSlideDialog master_dialog(&window, window.view()->dialogs());
  master_dialog.set_accept_first(unattended);
  window.view()->set_master_dialog(&master_dialog);
  window.showMaximized();
  if (unattended) window.resize(1280, 860);  // no window manager maximises under Xvfb

  if (!parser.positionalArguments().isEmpty()) {
    window.view()->path_field()->setText(
        QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
  }
  if (unattended) {
    vlx::app::RecoveryView* view = window.view();
    view->path_field()->setText(parser.value(run_option));
    view->set_results_folder(QString());  // beside the input
    QObject::connect(view, &vlx::app::RecoveryView::runFinished, &window, [&] {
      QTimer::singleShot(500, &window, [&] {
        if (parser.isSet(shot_option)) window.grab().save(parser.value(shot_option));
        end_now(RunStatus(*window.view()));
      });
    });
    QTimer::singleShot(300, view, [view] { view->StartRecovery(); });
  }
  if (!unattended && parser.isSet(shot_option)) {
    // A picture of the window as it first shows, then end.
    window.resize(1280, 860);
    QTimer::singleShot(1500, &window, [&] {
      window.grab().save(parser.value(shot_option));
      end_now(0);
    });
  }
  const int status = app.exec();
  workspace.Delete();
  return status;
}
