#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "engine/office/office_api.h"

namespace vlx::lo {
class OfficeCore;
}

namespace vlx {

// How long one office call may block before the watchdog ends the office (a stopped or
// hung office never answers). VLX_OFFICE_CALL_LIMIT_MS shortens it for a program run.
inline constexpr std::chrono::milliseconds kOfficeCallLimit{60000};

struct LibreOfficeOptions {
  // soffice.bin; empty: $VLX_OFFICE_PROGRAM or the system's LibreOffice.
  std::string program{};
  // How long a starting office may take to answer.
  std::chrono::milliseconds connect_timeout{30000};
  // How long one call may block before the watchdog ends the office.
  std::chrono::milliseconds call_limit{kOfficeCallLimit};
  // Receives one line with the real office version per program run; empty: stderr.
  std::function<void(const std::string&)> log{};
};

// The automation server on Linux: one headless LibreOffice per server, started on first
// use with a private profile under <temp>/vlxOffice-<pid>/ and ended with the server (or
// with the program: it cannot outlive us). Application objects are sessions on that
// office; Quit closes what the session opened. Calls from all sessions and threads run
// one at a time. An office that died or was ended is replaced by a fresh one at the next
// CreateApplication; sessions of the old one fail with AutomationError.
// Destroy it before main() returns: the UNO runtime it ends its office through is gone
// once static destruction has begun.
class LibreOfficeServer : public office::AutomationServer {
 public:
  explicit LibreOfficeServer(LibreOfficeOptions options = {});
  ~LibreOfficeServer() override;
  LibreOfficeServer(const LibreOfficeServer&) = delete;
  LibreOfficeServer& operator=(const LibreOfficeServer&) = delete;

  // The system's soffice.bin, or $VLX_OFFICE_PROGRAM when set.
  static std::string DefaultOfficeProgram();

  std::shared_ptr<office::Application> CreateApplication(const std::string& prog_id) override;

  // The office's own name and build, e.g. "LibreOffice 7.4.7.2"; empty before the first
  // start. Application::Version reports the object-model level instead.
  std::string RealOfficeVersion() const;

  // Called once a second by the front end: ends the office when its current call has
  // been blocked longer than the call limit, so that call fails and the run goes on.
  void OnPowerPointWatchdogTimer();
  void SetCallLimit(std::chrono::milliseconds limit);

  // Pid of the running office, 0 when none runs (tests and diagnostics).
  int OfficePid() const;
  // Documents open in the running office, 0 when none runs (tests and diagnostics).
  int OpenDocumentCount();

 private:
  std::shared_ptr<lo::OfficeCore> core_;
};

}  // namespace vlx
