#pragma once

#include <functional>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/scan/picture_report.h"
#include "engine/scan/pictures/byte_source.h"
#include "engine/scan/pictures/picture_ledger.h"

namespace vlx {

// Scans the damaged file at every position for picture records and saves each
// recognisable picture in its own format into Pictures/ of the output folder, once per
// distinct picture, reporting it to the view with the offset it was first found at.
// More byte sources the same run searches after the damaged file: streams put together
// from its sectors, where a picture whose sectors are scattered is whole again.
class FurtherPictureSources {
 public:
  virtual ~FurtherPictureSources() = default;
  // Calls search with each source in turn; stops (false) when search does.
  virtual bool ForEach(DamagedFile& file, const std::function<bool(ByteSource&)>& search) = 0;
};

// What a run lends the extraction besides the damaged file.
struct PictureExtractionAids {
  FurtherPictureSources* further = nullptr;
  PictureDrawing* drawing = nullptr;  // draws the metafiles' thumbnails
  // Another stage works in the workspace meanwhile: it is left for the run to remove.
  bool workspace_shared = false;
};

void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder, const PictureExtractionAids& aids = {});

// The same search and saving over any byte source (a damaged file's bytes, or a picture
// stream put together from it); offsets are mapped to the damaged file's by the source.
// A picture the ledger already holds is not saved again. False when stopped.
bool ExtractPictures(RecoveryJob& job, ByteSource& source, const std::string& output_folder,
                     PictureLedger& ledger, PictureDrawing* drawing = nullptr);
bool ExtractPictures(RecoveryJob& job, ByteSource& source, const std::string& output_folder);

}  // namespace vlx
