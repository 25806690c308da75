#pragma once

#include <string>

namespace vlx {

class RecoveryJob;

// What a view does with each extracted picture: converts it to a JPEG at jpeg_path,
// lists the JPEG's thumbnail first in the picture list as "Image <n>", and deletes
// both files. A picture that cannot be converted is left as it is and gets no item.
// The extension and the output folder are not needed.
void AddPictureThumbnail(RecoveryJob& job, const std::string& picture_path,
                         const std::string& jpeg_path, const std::string& extension,
                         const std::string& output_folder);

}  // namespace vlx
