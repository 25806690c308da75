#pragma once

#include <chrono>
#include <string>

#include "automation/libreoffice/office_process_table.h"

namespace vlx::lo {

// Sends SIGKILL to the process (to its whole group when it leads one) and waits up to
// `wait` for it to be gone. False when it still runs after that.
bool EndOfficeProcess(const OfficeProcess& process, std::chrono::milliseconds wait,
                      const std::string& proc_root = "/proc");

// Ends every office that belongs to this program, one lookup after each ending, until a
// lookup finds none. A process that outlives its wait is given up on (never retried), so
// the loop always ends. Returns how many processes were ended.
int EndOwnOfficeProcesses(std::chrono::milliseconds wait_each = std::chrono::seconds(3),
                          const std::string& proc_root = "/proc");

// Removes the private folders and pipe sockets of programs of ours that have gone (a
// crash leaves them behind), unless an office of theirs still runs.
void RemoveStaleOfficeFolders();

}  // namespace vlx::lo
