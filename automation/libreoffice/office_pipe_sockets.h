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

// A program killed with its office leaves these sockets with nobody to remove them, and
// their names (the single-instance one is named by a hash) do not say whose they are.
// So the sockets of each office are written down in its private folder, and the sweep
// of a gone program's folder removes them from that list.

// Writes the paths into folder/sockets (folder ends in '/'), replacing an older list.
void RecordPipeSockets(const std::string& folder, const std::vector<std::string>& paths);

// Removes the sockets listed in the lists below root (root/*/sockets, root ends in '/')
// that are still sockets of this user under /tmp/OSL_PIPE_<uid>_ and that no live
// socket is bound to (a program that listens there keeps its socket). Returns false
// when a listed socket is still bound: a process that is ending may hold it a moment
// longer, so the lists must stay for a later sweep. removed (optional) gets how many
// were removed.
bool RemoveRecordedPipeSockets(const std::string& root, int* removed = nullptr);

// Whether a live socket is bound to path (it is listed in /proc/net/unix).
bool SocketPathIsBound(const std::string& path);

}  // namespace vlx::lo
