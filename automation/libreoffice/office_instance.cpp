#include "automation/libreoffice/office_instance.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "automation/libreoffice/office_pipe_sockets.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/office/office_api.h"

extern char** environ;

namespace vlx::lo {
namespace {

// A new profile asks for one restart right after its creation.
constexpr int kRestartExitCode = 81;
constexpr int kMaxRestarts = 3;

std::vector<std::string> OfficeEnvironment(const std::string& temp_folder) {
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    if (text.starts_with("DISPLAY=") || text.starts_with("WAYLAND_DISPLAY=") ||
        text.starts_with("TMPDIR=") || text.starts_with("SAL_USE_VCLPLUGIN=")) {
      continue;
    }
    environment.emplace_back(text);
  }
  environment.push_back("TMPDIR=" + temp_folder);
  environment.push_back("SAL_USE_VCLPLUGIN=svp");
  return environment;
}

LaunchRequest OfficeLaunchRequest(const OfficeSettings& settings) {
  const std::string profile = settings.folder + "profile";
  const std::string temp = settings.folder + "tmp";
  std::filesystem::create_directories(profile);
  std::filesystem::create_directories(temp);
  LaunchRequest request;
  request.program = settings.program;
  request.arguments = {
      "--headless",
      "--invisible",
      "--nologo",
      "--norestore",
      "--nodefault",
      "--nolockcheck",
      std::string(kUserInstallationOption) + ToUtf8(FileUrl(profile)),
      "--accept=pipe,name=" + settings.pipe_name + ";urp;StarOffice.ComponentContext"};
  request.environment = OfficeEnvironment(temp);
  request.output_path = settings.folder + "office.log";
  return request;
}

std::string ExitText(int status) {
  if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal ") + ::strsignal(WTERMSIG(status));
  return "status " + std::to_string(status);
}

}  // namespace

OfficeInstance::OfficeInstance(pid_t pid, std::string pipe_name, std::string folder)
    : pid_(pid), pipe_name_(std::move(pipe_name)), folder_(std::move(folder)) {}

std::unique_ptr<OfficeInstance> OfficeInstance::Start(ChildLauncher& launcher,
                                                      const OfficeSettings& settings) {
  if (::access(settings.program.c_str(), X_OK) != 0) {
    throw office::AutomationError("no office program at " + settings.program);
  }
  LaunchRequest request = OfficeLaunchRequest(settings);
  std::string error;
  pid_t pid = launcher.Launch(request, &error);
  if (pid < 0) throw office::AutomationError("the office cannot be started: " + error);
  std::unique_ptr<OfficeInstance> instance(
      new OfficeInstance(pid, settings.pipe_name, settings.folder));

  const auto deadline = std::chrono::steady_clock::now() + settings.connect_timeout;
  int restarts = 0;
  for (;;) {
    if (const int status = instance->PollExit(); status != -1) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == kRestartExitCode && restarts < kMaxRestarts) {
        ++restarts;
        pid = launcher.Launch(request, &error);
        if (pid < 0) throw office::AutomationError("the office cannot be started: " + error);
        std::lock_guard lock(instance->mutex_);
        instance->pid_ = pid;
        instance->reaped_ = false;
        continue;
      }
      throw office::AutomationError("the office ended while starting (" + ExitText(status) +
                                    "); see " + request.output_path);
    }
    try {
      if (auto link = TryConnect(settings.pipe_name)) {
        instance->link_ = *link;
        instance->NoteSockets();
        return instance;
      }
    } catch (const css::uno::Exception& e) {
      throw office::AutomationError("cannot connect to the office: " + ToUtf8(e.Message));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw office::AutomationError("the office did not answer within " +
                                    std::to_string(settings.connect_timeout.count()) + " ms");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

OfficeInstance::~OfficeInstance() {
  if (!HasEnded()) NoteSockets();
  Terminate(std::chrono::seconds(3));
  DisposeLink(link_);
  // The office leaves its pipe sockets behind when it is killed.
  ::unlink(("/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe_name_).c_str());
  RemovePipeSockets(sockets_);
}

void OfficeInstance::NoteSockets() {
  pid_t pid = 0;
  {
    std::lock_guard lock(mutex_);
    pid = pid_;
  }
  const size_t known = sockets_.size();
  for (std::string& path : PipeSocketsOf(pid))
    if (std::find(sockets_.begin(), sockets_.end(), path) == sockets_.end())
      sockets_.push_back(std::move(path));
  if (sockets_.size() != known && !folder_.empty()) RecordPipeSockets(folder_, sockets_);
}

int OfficeInstance::PollExit() {
  std::lock_guard lock(mutex_);
  if (reaped_) return 0;
  int status = 0;
  const pid_t result = ::waitpid(pid_, &status, WNOHANG);
  if (result == pid_) {
    reaped_ = true;
    return status;
  }
  if (result < 0 && errno == ECHILD) {
    reaped_ = true;
    return 0;
  }
  return -1;
}

bool OfficeInstance::HasEnded() {
  return PollExit() != -1;
}

void OfficeInstance::Kill() {
  {
    std::lock_guard lock(mutex_);
    if (reaped_) return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!HasEnded() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void OfficeInstance::Terminate(std::chrono::milliseconds grace) {
  if (HasEnded()) return;
  if (!link_.desktop.is()) return Kill();  // never connected: nobody to ask
  std::thread ask([desktop = link_.desktop] {
    try {
      if (desktop.is()) desktop->terminate();
    } catch (...) {
      // A dying office answers with an exception; its end is checked below.
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (!HasEnded() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!HasEnded()) Kill();
  ask.join();
}

}  // namespace vlx::lo
