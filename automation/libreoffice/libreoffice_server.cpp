#include "automation/libreoffice/libreoffice_server.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <cstdlib>

#include "automation/libreoffice/office_core.h"
#include "automation/libreoffice/office_session.h"

namespace vlx {

LibreOfficeServer::LibreOfficeServer(LibreOfficeOptions options)
    : core_(std::make_shared<lo::OfficeCore>(std::move(options))) {}

LibreOfficeServer::~LibreOfficeServer() {
  core_->Shutdown();
}

std::string LibreOfficeServer::DefaultOfficeProgram() {
  const char* chosen = std::getenv("VLX_OFFICE_PROGRAM");
  if (chosen != nullptr && chosen[0] != '\0') return chosen;
  return VLX_LO_PROGRAM_DIR "/soffice.bin";
}

std::shared_ptr<office::Application> LibreOfficeServer::CreateApplication(
    const std::string& prog_id) {
  if (prog_id != office::kProgId) {
    throw office::AutomationError("no automation server registered as " + prog_id);
  }
  return lo::MakeApplication(std::make_shared<lo::OfficeSession>(core_, core_->Attach()));
}

std::string LibreOfficeServer::RealOfficeVersion() const {
  return core_->RealVersion();
}

void LibreOfficeServer::OnPowerPointWatchdogTimer() {
  core_->WatchdogTick();
}

void LibreOfficeServer::SetCallLimit(std::chrono::milliseconds limit) {
  core_->SetCallLimit(limit);
}

int LibreOfficeServer::OfficePid() const {
  return core_->OfficePid();
}

}  // namespace vlx

namespace vlx {

int LibreOfficeServer::OpenDocumentCount() {
  if (OfficePid() == 0) return 0;
  lo::Attachment office = core_->Attach();
  return core_->Call(office.generation, "OpenDocumentCount", [&] {
    int count = 0;
    auto documents = office.desktop->getComponents()->createEnumeration();
    for (; documents->hasMoreElements(); documents->nextElement()) ++count;
    return count;
  });
}

}  // namespace vlx
