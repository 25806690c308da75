#include "automation/libreoffice/office_profile.h"

#include <unistd.h>

#include <charconv>

#include "engine/job/workspace.h"

namespace vlx::lo {

std::string OfficeRootFolder(pid_t owner) {
  if (owner <= 0) owner = getpid();
  return Workspace::SystemTempPath() + std::string(kOfficeRootPrefix) + std::to_string(owner) + "/";
}

std::optional<pid_t> ProfileOwnerFromArgument(std::string_view argument) {
  if (!argument.starts_with(kUserInstallationOption)) return std::nullopt;
  std::string_view url = argument.substr(kUserInstallationOption.size());
  if (!url.starts_with("file://")) return std::nullopt;
  const std::string marker = "/" + std::string(kOfficeRootPrefix);
  size_t at = url.rfind(marker);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = url.substr(at + marker.size());
  size_t digits = rest.find('/');
  if (digits == 0 || digits == std::string_view::npos) return std::nullopt;
  pid_t owner = 0;
  auto [end, error] = std::from_chars(rest.data(), rest.data() + digits, owner);
  if (error != std::errc() || end != rest.data() + digits || owner <= 0) return std::nullopt;
  return owner;
}

}  // namespace vlx::lo
