#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace vlx::lo {

// Every office this program starts gets a private profile below
// <temp>/vlxOffice-<program pid>/. The folder name is how our offices are told apart
// from any other office of the same user.
inline constexpr std::string_view kOfficeRootPrefix = "vlxOffice-";
inline constexpr std::string_view kUserInstallationOption = "-env:UserInstallation=";

// <temp>/vlxOffice-<pid>/ for the given program pid (default: this process).
std::string OfficeRootFolder(pid_t owner = 0);

// The pid of the program that started an office, read from one of the office's
// command-line arguments; nullopt for any argument that is not our profile option.
std::optional<pid_t> ProfileOwnerFromArgument(std::string_view argument);

}  // namespace vlx::lo
