#pragma once

#include <string>

namespace vlx {

// Removes the workspaces that runs of this user left in temp_folder when they were
// killed: folders "vlxTemp-<pid>" and "vlxTemp-<pid>-<anything>" owned by this user
// whose process is gone. Links, files, other users' folders and the folders of live
// processes are left alone. Returns how many were removed.
int SweepDeadRunWorkspaces(const std::string& temp_folder);

}  // namespace vlx
