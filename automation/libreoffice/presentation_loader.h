#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <string>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// Loads a presentation, hidden and without running macros or updating links. Throws
// AutomationError with the reason for anything that is not a presentation the office
// can read: a missing or empty file, a folder, unknown bytes, an encrypted file, a
// picture or a text document. Office errors pass through as css::uno::Exception.
Reference<css::lang::XComponent> LoadPresentation(const Reference<css::frame::XDesktop2>& desktop,
                                                  const std::string& path, bool read_only);

}  // namespace vlx::lo
