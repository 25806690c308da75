#include "automation/libreoffice/office_session.h"

#include <algorithm>
#include <com/sun/star/util/XCloseable.hpp>

namespace vlx::lo {

void CloseDocument(const Reference<css::lang::XComponent>& document) {
  Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
  if (closeable.is()) {
    closeable->close(true);
  } else if (document.is()) {
    document->dispose();
  }
}

OfficeSession::OfficeSession(std::shared_ptr<OfficeCore> core, Attachment attachment)
    : core_(std::move(core)), attachment_(std::move(attachment)) {}

OfficeSession::~OfficeSession() {
  CloseAll();
}

void OfficeSession::Adopt(const Reference<css::lang::XComponent>& document) {
  documents_.push_back(document);
}

void OfficeSession::Forget(const Reference<css::lang::XComponent>& document) {
  std::erase(documents_, document);
}

void OfficeSession::CloseAll() noexcept {
  try {
    core_->Call(attachment_.generation, "Quit", [this] {
      while (!documents_.empty()) {
        Reference<css::lang::XComponent> document = documents_.back();
        documents_.pop_back();
        try {
          CloseDocument(document);
        } catch (const css::uno::Exception&) {
          // Closing the others still matters; an office that has gone shows up below.
        }
      }
    });
  } catch (...) {
  }
  documents_.clear();
}

void OfficeSession::Quit() noexcept {
  if (quit_.exchange(true)) return;
  CloseAll();
}

}  // namespace vlx::lo
