#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// A metafile kind (EMF, WMF, PICT). Picture records keep metafiles behind a header of
// their own, mostly deflate-compressed; the test applies to the decompressed file.
struct MetafileFormat {
  std::string_view name;       // "WMF": for the log and the placeholder thumbnail
  std::string_view extension;  // the saved file's extension
  bool (*has_valid_header)(ByteSpan metafile);
  // Zero bytes a file of this kind begins with that the record leaves out (a PICT
  // file's 512-byte application header).
  size_t zero_file_header = 0;
};

extern const MetafileFormat kEmfFormat;
extern const MetafileFormat kWmfFormat;
extern const MetafileFormat kPictFormat;

}  // namespace vlx
