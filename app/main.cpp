// The desktop program: one window, one run at a time.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <iostream>

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
#include "automation/libreoffice/office_processes.h"
#include "engine/job/messages.h"
#include "engine/job/trace_log.h"

namespace {

using vlx::app::QtViewDialogs;

// Unattended runs (screenshots, demonstrations): the mode is given, messages are
// answered with OK/No without showing.
class UnattendedDialogs : public QtViewDialogs {
 public:
  explicit UnattendedDialogs(int mode) : mode_(mode) {}
  std::optional<int> AskRecoveryMode(QWidget*) override { return mode_; }
  int Message(QWidget*, const QString& text, const QString&, int) override {
    std::cerr << text.toStdString() << "\n";
    return vlx::kAnswerNo;
  }

 private:
  int mode_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Veltrix Pellum");
  QApplication::setApplicationName("PowerPoint Recovery");
  QApplication::setApplicationVersion(PROJECT_VERSION);
  QApplication::setWindowIcon(vlx::app::ApplicationIcon());

  QCommandLineParser parser;
  parser.setApplicationDescription(vlx::kApplicationTitle);
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption run_option(
      "run", "Repair FILE at once, without questions; the results go beside FILE.", "FILE");
  QCommandLineOption mode_option("mode", "Mode of an unattended run: standard or fast.", "MODE",
                                 "standard");
  QCommandLineOption shot_option(
      "screenshot", "Save the window as PNG (after an unattended run, or at start) and end.",
      "PNG");
  parser.addOptions({run_option, mode_option, shot_option});
  parser.addPositionalArgument("file", "A damaged presentation to put in the path field.",
                               "[FILE]");
  parser.process(app);

  vlx::app::SingleInstance instance;
  if (!instance.Acquired()) {
    vlx::app::ShowStyledMessage(nullptr,
                                "Another Instance of Veltrix Pellum PowerPoint is running ",
                                vlx::kMessageCaption, vlx::kStyleWarning);
    return 0;
  }

  vlx::TraceLog trace(vlx::TraceLog::DefaultPath(), false);
  trace.Remove();

  const bool unattended = parser.isSet(run_option);
  QtViewDialogs interactive_dialogs;
  UnattendedDialogs unattended_dialogs(parser.value(mode_option) == "fast" ? 2 : 1);
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
  vlx::LibreOfficeServer office(office_options);

  vlx::app::ViewServices services;
  services.dialogs =
      unattended ? static_cast<vlx::app::ViewDialogs*>(&unattended_dialogs) : &interactive_dialogs;
  services.images = &images;
  services.office = &office;
  services.trace = &trace;
  services.check_office_running = [](vlx::ProgressSink& sink) {
    return vlx::CheckPowerPointRunning(sink);
  };
  services.terminate_office = [] { vlx::TerminatePowerPoint(); };

  vlx::app::MainWindow window(
      std::move(services), [&office] { office.OnPowerPointWatchdogTimer(); }, QDir::currentPath());
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
        ::_exit(0);
      });
    });
    QTimer::singleShot(300, view, [view] { view->StartRecovery(); });
  }
  if (!unattended && parser.isSet(shot_option)) {
    // A picture of the window as it first shows, then end.
    window.resize(1280, 860);
    QTimer::singleShot(1500, &window, [&] {
      window.grab().save(parser.value(shot_option));
      ::_exit(0);
    });
  }
  return app.exec();
}
