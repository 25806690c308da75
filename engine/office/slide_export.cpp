#include "engine/office/slide_export.h"

#include "engine/job/folder_tree.h"

namespace vlx {

bool CannotExportJpeg(const std::string& version) {
  return version.find('8') != std::string::npos;
}

std::string ExportedSlidePath(const std::string& folder, int slide) {
  return folder + "/Slide" + std::to_string(slide) + ".JPG";
}

void RemoveEarlierExport(const std::string& folder) {
  DeleteFolderTree(folder);
}

}  // namespace vlx
