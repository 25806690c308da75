#include "engine/rebuild/trial_preview.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/format/record_tree.h"
#include "engine/format/workspace_files.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/trial_office.h"

namespace vlx {

std::optional<Bitmap> PreviewTrialInOffice(RecoveryJob& job, const std::string& compound_path) {
  return TrialOffice(job).Preview(compound_path);
}

TrialPreview OfficeTrialPreview() {
  // Copies of the function share the one office; the last copy to go quits it.
  auto office = std::make_shared<std::unique_ptr<TrialOffice>>();
  return [office](RecoveryJob& job, const std::string& compound_path) {
    if (!*office) *office = std::make_unique<TrialOffice>(job);
    return (*office)->Preview(compound_path);
  };
}

std::optional<Bitmap> StructuralTrialPreview(RecoveryJob& job, const std::string&) {
  std::ifstream in(job.workspace().File(kTrialStreamFile), std::ios::binary);
  const std::vector<uint8_t> stream{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
  if (!IsWellFormedRecordRun(stream)) return std::nullopt;
  return job.env.images.PlaceholderBitmap();
}

}  // namespace vlx
