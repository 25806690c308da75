#include "automation/libreoffice/load_interaction.h"

#include <com/sun/star/document/NoSuchFilterRequest.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <cstdio>

namespace vlx::lo {
namespace {

// The office marks error codes that are only warnings with the top bit.
constexpr sal_uInt32 kWarningBit = 0x80000000u;

std::string Describe(const Any& request, bool* is_warning) {
  *is_warning = false;
  css::task::ErrorCodeRequest error;
  if (request >>= error) {
    const auto code = static_cast<sal_uInt32>(error.ErrCode);
    *is_warning = (code & kWarningBit) != 0;
    char text[64];
    std::snprintf(text, sizeof text, "the office reports error 0x%08X", code);
    return text;
  }
  css::document::NoSuchFilterRequest no_filter;
  if (request >>= no_filter) return "the file is of no format the office knows";
  return "the office asked " + ToUtf8(request.getValueTypeName());
}

template <class Choice>
bool Select(const Sequence<Reference<css::task::XInteractionContinuation>>& continuations) {
  for (const auto& continuation : continuations) {
    Reference<Choice> choice(continuation, UNO_QUERY);
    if (choice.is()) {
      choice->select();
      return true;
    }
  }
  return false;
}

}  // namespace

void LoadInteraction::handle(const Reference<css::task::XInteractionRequest>& request) {
  bool is_warning = false;
  std::string description = Describe(request->getRequest(), &is_warning);
  const auto continuations = request->getContinuations();
  if (is_warning && Select<css::task::XInteractionApprove>(continuations)) return;
  {
    std::lock_guard lock(mutex_);
    if (reason_.empty()) reason_ = description;
  }
  Select<css::task::XInteractionAbort>(continuations);
}

std::string LoadInteraction::Reason() const {
  std::lock_guard lock(mutex_);
  return reason_;
}

}  // namespace vlx::lo
