#include "cli/tool_backends.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "cli/fallback_image_toolkit.h"

#ifdef VLX_CLI_HAS_IMAGING
#include "automation/imaging/qt_image_toolkit.h"
#endif
#ifdef VLX_CLI_HAS_OFFICE
#include <dirent.h>
#include <unistd.h>

#include "automation/libreoffice/libreoffice_server.h"
#include "automation/libreoffice/office_pipe_sockets.h"
#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/job/folder_tree.h"
#endif

namespace vlx::cli {

std::unique_ptr<ImageToolkit> MakeImageToolkit() {
#ifdef VLX_CLI_HAS_IMAGING
  return std::make_unique<QtImageToolkit>();
#else
  return std::make_unique<FallbackImageToolkit>();
#endif
}

#ifdef VLX_CLI_HAS_OFFICE
namespace {

class LibreOfficeBackend : public OfficeBackend {
 public:
  explicit LibreOfficeBackend(std::function<void(const std::string&)> log)
      : server_(Options(std::move(log))), watchdog_([this] { Watch(); }) {}

  ~LibreOfficeBackend() override {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
    }
    wake_.notify_all();
    watchdog_.join();
  }

  office::AutomationServer& server() override { return server_; }

 private:
  static LibreOfficeOptions Options(std::function<void(const std::string&)> log) {
    LibreOfficeOptions options;
    options.log = std::move(log);
    options.call_limit = CallLimit();
    return options;
  }

  // kOfficeCallLimit, or a shorter limit in whole milliseconds from
  // VLX_OFFICE_CALL_LIMIT_MS (at least 500: the watchdog looks once a second).
  static std::chrono::milliseconds CallLimit() {
    const char* text = std::getenv("VLX_OFFICE_CALL_LIMIT_MS");
    if (text == nullptr || *text == 0) return kOfficeCallLimit;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*end != 0 || value < 500 || value > kOfficeCallLimit.count()) return kOfficeCallLimit;
    return std::chrono::milliseconds(value);
  }

  void Watch() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return ending_; })) {
      server_.OnPowerPointWatchdogTimer();
    }
  }

  LibreOfficeServer server_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool ending_ = false;
  std::thread watchdog_;  // last: starts after the server exists
};

}  // namespace
#endif

std::unique_ptr<OfficeBackend> MakeOfficeBackend(std::function<void(const std::string&)> log) {
#ifdef VLX_CLI_HAS_OFFICE
  return std::make_unique<LibreOfficeBackend>(std::move(log));
#else
  (void)log;
  return nullptr;
#endif
}

void EndOfficesAtOnce() {
#ifdef VLX_CLI_HAS_OFFICE
  lo::EndOwnOfficeProcesses(std::chrono::milliseconds(500));
  // An office still letting go of a socket leaves its folder to the next run's sweep.
  if (lo::RemoveRecordedPipeSockets(lo::OfficeRootFolder()))
    DeleteFolderTree(lo::OfficeRootFolder());
  // The pipe sockets our offices listened on: /tmp/OSL_PIPE_<uid>_vlx_<pid>_...
  const std::string prefix =
      "OSL_PIPE_" + std::to_string(::getuid()) + "_vlx_" + std::to_string(::getpid()) + "_";
  if (DIR* tmp = ::opendir("/tmp")) {
    while (dirent* entry = ::readdir(tmp)) {
      if (std::string(entry->d_name).rfind(prefix, 0) == 0)
        ::unlinkat(::dirfd(tmp), entry->d_name, 0);
    }
    ::closedir(tmp);
  }
#endif
}

void SweepDeadOfficeLeftovers() {
#ifdef VLX_CLI_HAS_OFFICE
  lo::RemoveStaleOfficeFolders();
#endif
}

std::string BackendsText() {
  std::string text;
#ifdef VLX_CLI_HAS_OFFICE
  text += "office: LibreOffice (headless, started on demand)\n";
#else
  text += "office: none (built without the office backend)\n";
#endif
#ifdef VLX_CLI_HAS_IMAGING
  text += "pictures: Qt\n";
#else
  text += "pictures: none (thumbnails are not drawn)\n";
#endif
  return text;
}

}  // namespace vlx::cli
