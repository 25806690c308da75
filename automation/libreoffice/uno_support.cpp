#include "automation/libreoffice/uno_support.h"

#include <cppuhelper/bootstrap.hxx>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <osl/file.hxx>
#include <rtl/ustrbuf.hxx>

#include "engine/office/office_api.h"

namespace vlx::lo {

OUString ToOUString(const std::string& utf8) {
  return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string ToUtf8(const OUString& text) {
  OString bytes = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<size_t>(bytes.getLength()));
}

css::beans::PropertyValue Property(const char* name, const Any& value) {
  css::beans::PropertyValue property;
  property.Name = OUString::createFromAscii(name);
  property.Value = value;
  return property;
}

OUString FileUrl(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) throw office::AutomationError("not a usable path: " + path);
  OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(ToOUString(absolute.lexically_normal().string()),
                                              url) != osl::FileBase::E_None) {
    throw office::AutomationError("not a usable path: " + path);
  }
  return url;
}

Reference<css::uno::XComponentContext> LocalContext() {
  static std::once_flag once;
  // Kept alive to the very end: releasing it during static destruction races the UNO
  // runtime's own teardown.
  static auto* context = new Reference<css::uno::XComponentContext>();
  static std::string failure;
  std::call_once(once, [] {
    // Without this the client crashes while creating the desktop instead of throwing.
    ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" VLX_LO_PROGRAM_DIR "/fundamentalrc", 0);
    try {
      *context = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& e) {
      failure = ToUtf8(e.Message);
    }
  });
  if (!context->is()) {
    throw office::AutomationError("the office client cannot start: " + failure);
  }
  return *context;
}

}  // namespace vlx::lo

#if defined(__SANITIZE_ADDRESS__)
// The UNO runtime keeps its type descriptions in singletons that live to the end of the
// process by design; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:cppu_detail_getUnoType\nleak:libuno_cppu\nleak:libuno_sal\n";
}
#endif
