#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vlx::lo {

// The pipe sockets an office listens on besides the one we name: it also opens
// /tmp/OSL_PIPE_<uid>_SingleOfficeIPC_<hash of its profile> and leaves it behind when
// it is killed. They are found through the process's own descriptors, so only sockets
// our office holds are ever named.

// Paths of the /tmp/OSL_PIPE_<uid>_* sockets that process pid holds open.
std::vector<std::string> PipeSocketsOf(pid_t pid);

// Removes each path that is still a socket of this user (never anything else).
void RemovePipeSockets(const std::vector<std::string>& paths);

}  // namespace vlx::lo
