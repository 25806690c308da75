#pragma once

#include <string>

namespace vlx {

// Deletes a folder with everything in it. Read-only files are made writable first;
// a symlink inside the tree is removed as a link and never followed. The first entry
// that cannot be removed ends the walk. Returns true when the folder itself was removed.
bool DeleteFolderTree(const std::string& path);

// Deletes a folder that other threads may still be writing into by its path: it is
// first renamed to a name beside it ("<path>-ending"), so that no new file can appear
// under the old path while the tree is emptied, then deleted as DeleteFolderTree does.
// Where the rename fails the folder is deleted in place.
bool DeleteFolderTreeInUse(const std::string& path);

// Creates a folder (one level); true when it exists as a real folder afterwards. A link
// or a file at that name is not taken for the folder.
bool MakeFolder(const std::string& path);

}  // namespace vlx
