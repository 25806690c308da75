#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/master_slide_dialog.h"
#include "app/recovery_view.h"
#include "app/view_dialogs.h"
#include "automation/imaging/qt_image_toolkit.h"
#include "automation/testing/scripted_office.h"
#include "engine/job/trace_log.h"

namespace vlx::app::testing {

// Runs the window's events until condition holds or timeout_ms pass; true when it held.
bool WaitUntil(const std::function<bool()>& condition, int timeout_ms = 120000);

// Dialogs whose answers a test sets, and that note every message they were asked to show.
class ScriptedDialogs : public ViewDialogs {
 public:
  std::optional<QString> ChooseFile(QWidget*) override { return chosen_file; }
  std::optional<RecoveryMode> AskRecoveryMode(QWidget*) override { return mode; }
  int Message(QWidget*, const QString& text, const QString&, int style) override {
    messages << text;
    styles << style;
    return kAnswerOk;
  }
  bool Told(const QString& part) const;

  std::optional<QString> chosen_file;
  std::optional<RecoveryMode> mode = RecoveryMode::kFast;
  QStringList messages;
  QList<int> styles;
};

// Picture work of the window's toolkit, with a hook that runs on the worker before each
// slide thumbnail (the run waits for it).
class HookedImages : public QtImageToolkit {
 public:
  std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                      int height) override;
  // The hook sees the slides one at a time, in order.
  bool ThumbnailsOnSeveralThreads() const override { return false; }
  std::function<void()> before_slide_thumbnail;
};

// The main window on the scripted office, its output folders made in a fresh folder.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A copy of the bundled damaged sample in the test's folder.
  QString SampleCopy() const;
  // Starts a run of the path in the given mode and waits for its end; false on a time-out.
  bool RunToEnd(const QString& input, RecoveryMode mode);
  QString Log() const;

  QTemporaryDir temp_;
  QString results_;  // where output folders go
  ScriptedDialogs dialogs_;
  HookedImages images_;
  std::unique_ptr<vlx::testing::ScriptedOffice> office_;
  std::unique_ptr<TraceLog> trace_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<WindowMasterSlideDialog> master_;
  RecoveryView* view_ = nullptr;
  QList<QUrl> opened_;  // what the window asked the desktop to open
};

// Saves a picture under the screenshot folder named by VLX_SCREENSHOT_DIR (when set).
void KeepScreenshot(const QImage& picture, const QString& name);

}  // namespace vlx::app::testing
