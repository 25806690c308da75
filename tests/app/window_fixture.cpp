#include "tests/app/window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QThread>

#include "app/progress_log.h"

namespace vlx::app::testing {

bool WaitUntil(const std::function<bool()>& condition, int timeout_ms) {
  QElapsedTimer waited;
  waited.start();
  while (!condition()) {
    if (waited.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

bool ScriptedDialogs::Told(const QString& part) const {
  for (const QString& message : messages)
    if (message.contains(part)) return true;
  return false;
}

std::optional<Bitmap> HookedImages::MakeThumbnail(const std::string& image_path, int width,
                                                  int height) {
  if (width == 170 && before_slide_thumbnail) before_slide_thumbnail();
  return QtImageToolkit::MakeThumbnail(image_path, width, height);
}

void WindowTest::SetUp() {
  ASSERT_TRUE(temp_.isValid());
  results_ = temp_.filePath("results");
  ASSERT_TRUE(QDir().mkpath(results_));
  office_ = std::make_unique<vlx::testing::ScriptedOffice>();
  trace_ = std::make_unique<TraceLog>(temp_.filePath("trace.log").toStdString(), false);
  ViewServices services;
  services.dialogs = &dialogs_;
  services.images = &images_;
  services.office = office_.get();
  services.trace = trace_.get();
  services.workspace = Workspace::At(temp_.filePath("vlxTemp").toStdString());
  services.check_office_running = [](ProgressSink&) { return true; };
  services.terminate_office = [] {};
  services.open_url = [this](const QUrl& url) { opened_ << url; };
  window_ = std::make_unique<MainWindow>(std::move(services), nullptr, temp_.path());
  view_ = window_->view();
  view_->set_results_folder(results_);
  master_ = std::make_unique<WindowMasterSlideDialog>(window_.get(), dialogs_);
  master_->set_accept_first(true);
  view_->set_master_dialog(master_.get());
  window_->resize(1280, 860);
}

void WindowTest::TearDown() {
  window_.reset();
  master_.reset();
  office_.reset();
}

QString WindowTest::SampleCopy() const {
  const QString copy = temp_.filePath("talk.ppt");
  QFile::remove(copy);
  QFile::copy(QString(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt", copy);
  return copy;
}

bool WindowTest::RunToEnd(const QString& input, int mode) {
  bool finished = false;
  const auto connection =
      QObject::connect(view_, &RecoveryView::runFinished, [&finished] { finished = true; });
  dialogs_.mode = mode;
  view_->path_field()->setText(input);
  view_->StartRecovery();
  const bool ended = view_->view_state() == 2 && WaitUntil([&] { return finished; });
  QObject::disconnect(connection);
  return ended;
}

QString WindowTest::Log() const {
  return view_->log()->toPlainText();
}

void KeepScreenshot(const QImage& picture, const QString& name) {
  const QString folder = qEnvironmentVariable("VLX_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  picture.save(folder + "/" + name);
}

}  // namespace vlx::app::testing
