#include "automation/libreoffice/presentation_loader.h"

#include <com/sun/star/lang/XServiceInfo.hpp>
#include <filesystem>
#include <rtl/ref.hxx>

#include "automation/libreoffice/load_interaction.h"
#include "automation/libreoffice/office_session.h"
#include "engine/office/office_api.h"

namespace vlx::lo {
namespace {

constexpr sal_Int16 kNeverExecuteMacros = 0;  // css::document::MacroExecMode::NEVER_EXECUTE
constexpr sal_Int16 kNoLinkUpdate = 0;        // css::document::UpdateDocMode::NO_UPDATE

void CheckLoadableFile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) {
    throw office::AutomationError("cannot open " + path + ": no such file");
  }
  if (!std::filesystem::is_regular_file(status)) {
    throw office::AutomationError("cannot open " + path + ": not a file");
  }
  // The office would open an empty file as a new, empty presentation.
  if (std::filesystem::file_size(path, error) == 0 || error) {
    throw office::AutomationError("cannot open " + path + ": the file is empty");
  }
}

}  // namespace

Reference<css::lang::XComponent> LoadPresentation(const Reference<css::frame::XDesktop2>& desktop,
                                                  const std::string& path, bool read_only) {
  CheckLoadableFile(path);
  rtl::Reference<LoadInteraction> interaction(new LoadInteraction);
  std::vector<css::beans::PropertyValue> arguments{
      Property("Hidden", Any(true)),
      Property("InteractionHandler",
               Any(Reference<css::task::XInteractionHandler>(interaction.get()))),
      Property("MacroExecutionMode", Any(kNeverExecuteMacros)),
      Property("UpdateDocMode", Any(kNoLinkUpdate))};
  if (read_only) arguments.push_back(Property("ReadOnly", Any(true)));
  Reference<css::lang::XComponent> document = desktop->loadComponentFromURL(
      FileUrl(path), "_blank", 0,
      Sequence<css::beans::PropertyValue>(arguments.data(),
                                          static_cast<sal_Int32>(arguments.size())));
  if (!document.is()) {
    std::string reason = interaction->Reason();
    throw office::AutomationError("cannot open " + path + ": " +
                                  (reason.empty() ? "the office refused it" : reason));
  }
  Reference<css::lang::XServiceInfo> info(document, UNO_QUERY);
  if (!info.is() || !info->supportsService("com.sun.star.presentation.PresentationDocument")) {
    try {
      CloseDocument(document);
    } catch (const css::uno::Exception&) {
    }
    throw office::AutomationError("cannot open " + path + ": not a presentation");
  }
  return document;
}

}  // namespace vlx::lo
