#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <optional>
#include <string>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// A live URP connection to one office.
struct OfficeLink {
  Reference<css::lang::XComponent> bridge;
  Reference<css::uno::XComponentContext> context;
  Reference<css::frame::XDesktop2> desktop;
};

// One attempt to reach the office listening on the named pipe; nullopt while nobody
// listens yet. Other failures throw css::uno::Exception.
std::optional<OfficeLink> TryConnect(const std::string& pipe_name);

// Ends the bridge; every reference made through it fails from then on. Never throws.
void DisposeLink(OfficeLink& link) noexcept;

// Switches document lock files off in the office's profile, so that a killed office
// leaves none behind that would make later loads of the same file fail.
void DisableDocumentLocking(const Reference<css::uno::XComponentContext>& context);

// "LibreOffice 7.4.7.2" or similar.
std::string ReadOfficeVersion(const Reference<css::uno::XComponentContext>& context);

}  // namespace vlx::lo
