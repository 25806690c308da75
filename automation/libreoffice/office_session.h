#pragma once

#include <atomic>
#include <com/sun/star/lang/XComponent.hpp>
#include <memory>
#include <string>
#include <vector>

#include "automation/libreoffice/office_core.h"

namespace vlx::lo {

// One Application object's view of the shared office: the documents it opened, which
// it closes on Quit, and when the last object of the session is dropped without Quit.
class OfficeSession {
 public:
  OfficeSession(std::shared_ptr<OfficeCore> core, Attachment attachment);
  ~OfficeSession();
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  template <class F>
  auto Call(const char* what, F&& f) -> decltype(f()) {
    if (quit_) throw office::AutomationError(std::string(what) + ": the application has quit");
    return core_->Call(attachment_.generation, what, std::forward<F>(f));
  }

  const Reference<css::uno::XComponentContext>& context() const { return attachment_.context; }
  const Reference<css::frame::XDesktop2>& desktop() const { return attachment_.desktop; }

  // Inside a Call only.
  void Adopt(const Reference<css::lang::XComponent>& document);
  void Forget(const Reference<css::lang::XComponent>& document);

  // Closes every document the session still holds; office errors are ignored.
  void CloseAll() noexcept;
  void Quit() noexcept;

 private:
  std::shared_ptr<OfficeCore> core_;
  Attachment attachment_;
  std::vector<Reference<css::lang::XComponent>> documents_;
  std::atomic<bool> quit_{false};
};

std::shared_ptr<office::Application> MakeApplication(std::shared_ptr<OfficeSession> session);

// Closes a document whatever it is busy with; the close vetoes of a document we own are
// not ours to honour.
void CloseDocument(const Reference<css::lang::XComponent>& document);

}  // namespace vlx::lo
