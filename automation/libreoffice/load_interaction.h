#pragma once

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>
#include <mutex>
#include <string>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// Answers the office's questions while a document loads, as nobody is there to answer
// them: warnings are accepted, everything else (unknown format, password, unsupported
// encryption) aborts the load. Keeps a readable reason for the refused load.
class LoadInteraction : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
 public:
  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override;

  // Why the load was refused; empty when nothing was asked.
  std::string Reason() const;

 private:
  mutable std::mutex mutex_;
  std::string reason_;
};

}  // namespace vlx::lo
