#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vlx::lo {

// One office process started by a program of our kind, as read from /proc.
struct OfficeProcess {
  pid_t pid = 0;
  pid_t parent = 0;
  pid_t group = 0;
  pid_t owner = 0;  // pid of the program that started it (from its profile folder name)
  bool zombie = false;
};

// Offices of the current user whose profile option names our private-profile scheme,
// found by their command line, never by program name. proc_root is "/proc" except in
// tests.
std::vector<OfficeProcess> FindOfficeProcesses(const std::string& proc_root = "/proc");

// True for offices this program must look after: its own, and leftovers of an earlier
// run whose program has gone (the office was re-parented away from its starter). A live
// office of another running instance is left alone.
bool BelongsToThisProgram(const OfficeProcess& process, pid_t self);

// The offices FindOfficeProcesses finds that belong to this program and still run.
std::vector<OfficeProcess> FindOwnOfficeProcesses(const std::string& proc_root = "/proc");

// Reads one process's entry; false when it has gone or is not an office of ours.
bool ReadOfficeProcess(const std::string& proc_root, pid_t pid, OfficeProcess* process);

}  // namespace vlx::lo
