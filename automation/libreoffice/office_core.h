#pragma once

#include <atomic>
#include <chrono>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "automation/libreoffice/child_launcher.h"
#include "automation/libreoffice/libreoffice_server.h"
#include "automation/libreoffice/office_instance.h"
#include "engine/office/office_api.h"

namespace vlx::lo {

// What a session needs of the office it was created on.
struct Attachment {
  uint64_t generation = 0;
  Reference<css::uno::XComponentContext> context;
  Reference<css::frame::XDesktop2> desktop;
};

// The shared heart of a LibreOfficeServer: the office process, the one-call-at-a-time
// gate and the watchdog's view of the current call. Sessions keep it alive.
class OfficeCore {
 public:
  explicit OfficeCore(LibreOfficeOptions options);
  ~OfficeCore();
  OfficeCore(const OfficeCore&) = delete;
  OfficeCore& operator=(const OfficeCore&) = delete;

  // Starts an office unless a healthy one runs; throws AutomationError.
  Attachment Attach();

  // Runs f as one office call: serialised with all other calls, visible to the
  // watchdog, office exceptions turned into AutomationError. Fails at once when the
  // office of `generation` has ended.
  template <class F>
  auto Call(uint64_t generation, const char* what, F&& f) -> decltype(f());

  void WatchdogTick();
  void SetCallLimit(std::chrono::milliseconds limit) { call_limit_ms_ = limit.count(); }
  std::string RealVersion() const;
  int OfficePid() const;
  // Ends the office and removes its private folder; later calls fail.
  void Shutdown();

 private:
  class CallClock;

  void CheckAlive(uint64_t generation, const char* what);
  [[noreturn]] void Fail(const css::uno::Exception& error, const char* what);
  // Notes the fault of the current office for the run, once per office; state_ held.
  void NoteFaultOnce(const std::string& text);
  void LogRealVersion(const Reference<css::uno::XComponentContext>& context);

  LibreOfficeOptions options_;
  std::string folder_;
  ChildLauncher launcher_;
  std::mutex gate_;           // one office call at a time
  mutable std::mutex state_;  // the fields below; the watchdog takes only this one
  std::unique_ptr<OfficeInstance> instance_;
  uint64_t generation_ = 0;
  bool dead_ = true;
  bool ended_by_watchdog_ = false;
  bool fault_noted_ = false;  // the current office's fault is known to the run
  bool shut_down_ = false;
  std::string real_version_;
  std::atomic<int64_t> call_started_ns_{0};
  std::atomic<int64_t> call_limit_ms_;
};

class OfficeCore::CallClock {
 public:
  explicit CallClock(OfficeCore& core) : core_(core) {
    core_.call_started_ns_ = std::chrono::steady_clock::now().time_since_epoch().count() | 1;
  }
  ~CallClock() { core_.call_started_ns_ = 0; }
  CallClock(const CallClock&) = delete;
  CallClock& operator=(const CallClock&) = delete;

 private:
  OfficeCore& core_;
};

template <class F>
auto OfficeCore::Call(uint64_t generation, const char* what, F&& f) -> decltype(f()) {
  std::lock_guard gate(gate_);
  CheckAlive(generation, what);
  CallClock clock(*this);
  try {
    return f();
  } catch (const css::uno::Exception& error) {
    Fail(error, what);
  }
}

}  // namespace vlx::lo
