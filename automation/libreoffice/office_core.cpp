#include "automation/libreoffice/office_core.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/job/folder_tree.h"
#include "engine/job/office_fault.h"

namespace vlx::lo {
namespace {

std::atomic<int> office_counter{0};
std::atomic<bool> version_logged{false};

// Whether folder (named without a trailing slash, which would follow a link) is a real
// folder of this user: opened without following a link and checked on the descriptor.
bool IsPrivateFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool ours = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
  if (ours && (info.st_mode & 077) != 0) ::fchmod(fd, 0700);
  ::close(fd);
  return ours;
}

// <temp>/vlxOffice-<pid>/office-<n>-XXXXXX/, made owner-only by mkdtemp; the shared root
// must be a real folder of ours, never a link planted by someone else.
std::string MakeOfficeFolder() {
  RemoveStaleOfficeFolders();
  std::string root = OfficeRootFolder();
  root.pop_back();
  if (::mkdir(root.c_str(), 0700) != 0 && errno != EEXIST) {
    throw office::AutomationError("cannot create " + root + ": " + std::strerror(errno));
  }
  if (!IsPrivateFolder(root)) {
    throw office::AutomationError(root +
                                  " is not a private folder of this user (a link or "
                                  "another user's folder); refusing to use it");
  }
  std::string pattern = root + "/office-" + std::to_string(++office_counter) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw office::AutomationError("cannot create a folder in " + root + ": " +
                                  std::strerror(errno));
  }
  return pattern + "/";
}

std::string NewPipeName() {
  std::random_device random;
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%08x%08x", random(), random());
  return "vlx_" + std::to_string(::getpid()) + "_" + std::to_string(office_counter.load()) + "_" +
         suffix;
}

bool IsBridgeFailure(const css::uno::Exception& error) {
  return ToUtf8(error.Message).find("URP bridge") != std::string::npos;
}

}  // namespace

OfficeCore::OfficeCore(LibreOfficeOptions options)
    : options_(std::move(options)), call_limit_ms_(options_.call_limit.count()) {
  if (options_.program.empty()) options_.program = LibreOfficeServer::DefaultOfficeProgram();
}

OfficeCore::~OfficeCore() {
  Shutdown();
}

Attachment OfficeCore::Attach() {
  std::lock_guard gate(gate_);
  std::unique_ptr<OfficeInstance> old;
  {
    std::lock_guard state(state_);
    if (shut_down_) throw office::AutomationError("the office server has shut down");
    if (instance_ && !dead_ && !instance_->HasEnded()) {
      return {generation_, instance_->link().context, instance_->link().desktop};
    }
    old = std::move(instance_);
    dead_ = true;
  }
  old.reset();
  if (folder_.empty()) folder_ = MakeOfficeFolder();
  OfficeSettings settings{options_.program, folder_, NewPipeName(), options_.connect_timeout};
  std::unique_ptr<OfficeInstance> fresh;
  try {
    fresh = OfficeInstance::Start(launcher_, settings);
  } catch (const office::AutomationError& error) {
    NoteOfficeFault(std::string("the office could not be started (") + error.what() + ")");
    throw;
  }
  try {
    DisableDocumentLocking(fresh->link().context);
    LogRealVersion(fresh->link().context);
  } catch (const css::uno::Exception& error) {
    throw office::AutomationError("the office does not answer as expected: " +
                                  ToUtf8(error.Message));
  }
  std::lock_guard state(state_);
  if (shut_down_) {
    fresh.reset();
    throw office::AutomationError("the office server has shut down");
  }
  instance_ = std::move(fresh);
  ++generation_;
  dead_ = false;
  ended_by_watchdog_ = false;
  fault_noted_ = false;
  return {generation_, instance_->link().context, instance_->link().desktop};
}

void OfficeCore::CheckAlive(uint64_t generation, const char* what) {
  std::lock_guard state(state_);
  if (generation != generation_ || dead_ || !instance_ || instance_->HasEnded()) {
    // An office that died between two calls is a crash all the same: the run must learn
    // of it even though no call was in flight.
    if (generation == generation_ && instance_ && !dead_ && !shut_down_)
      NoteFaultOnce("the office crashed");
    dead_ = generation == generation_ ? true : dead_;
    throw office::AutomationError(std::string(what) + ": the office has ended");
  }
}

void OfficeCore::Fail(const css::uno::Exception& error, const char* what) {
  std::string reason = ToUtf8(error.Message);
  {
    std::lock_guard state(state_);
    const bool ended = !instance_ || instance_->HasEnded() || IsBridgeFailure(error);
    if (ended) dead_ = true;
    if (ended_by_watchdog_) {
      reason = "the office did not answer within " + std::to_string(call_limit_ms_.load()) +
               " ms and was ended";
      NoteFaultOnce("the office stopped responding (no answer within " +
                    std::to_string(call_limit_ms_.load() / 1000) + " s) and was ended");
    } else if (ended) {
      reason = "the office has ended (" + reason + ")";
      NoteFaultOnce("the office crashed");
    }
  }
  throw office::AutomationError(std::string(what) + ": " + reason);
}

void OfficeCore::NoteFaultOnce(const std::string& text) {
  if (fault_noted_) return;
  fault_noted_ = true;
  NoteOfficeFault(text);
}

void OfficeCore::WatchdogTick() {
  const int64_t started = call_started_ns_.load();
  if (started == 0) return;
  const int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto blocked = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::duration(now - started));
  if (blocked.count() < call_limit_ms_.load()) return;
  std::lock_guard state(state_);
  // The call may have ended (and another begun) since the clock was read.
  if (!instance_ || dead_ || call_started_ns_.load() != started) return;
  ended_by_watchdog_ = true;
  dead_ = true;
  instance_->Kill();
}

void OfficeCore::LogRealVersion(const Reference<css::uno::XComponentContext>& context) {
  std::string version = ReadOfficeVersion(context);
  {
    std::lock_guard state(state_);
    real_version_ = version;
  }
  if (version_logged.exchange(true)) return;
  const std::string line = "Office in use: " + version;
  if (options_.log) {
    options_.log(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

std::string OfficeCore::RealVersion() const {
  std::lock_guard state(state_);
  return real_version_;
}

int OfficeCore::OfficePid() const {
  std::lock_guard state(state_);
  return instance_ && !dead_ ? instance_->pid() : 0;
}

void OfficeCore::Shutdown() {
  std::unique_ptr<OfficeInstance> last;
  {
    std::lock_guard state(state_);
    if (shut_down_) return;
    shut_down_ = true;
    dead_ = true;
    last = std::move(instance_);
  }
  last.reset();
  if (!folder_.empty()) {
    DeleteFolderTree(folder_);
    ::rmdir(OfficeRootFolder().c_str());  // only when no other office of ours uses it
  }
}

}  // namespace vlx::lo
