#include "engine/rebuild/document_pictures.h"

#include <algorithm>

#include "engine/format/workspace_files.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/blip_references.h"
#include "engine/rebuild/record_copy.h"

namespace vlx {

std::string SelectDocumentPictures(RecoveryJob& job, PictureSource& source,
                                   std::vector<uint8_t>& stream, size_t store_offset,
                                   size_t store_length,
                                   std::span<const std::span<const uint8_t>> referring) {
  std::set<uint32_t> references;
  for (std::span<const uint8_t> records : referring) references.merge(FindBlipReferences(records));
  return SelectDocumentPictures(job, source, stream, store_offset, store_length, references);
}

std::set<uint32_t> EveryEntryOf(std::span<const uint8_t> blip_store) {
  std::set<uint32_t> all;
  if (blip_store.size() < 2) return all;
  const uint32_t entries = static_cast<uint32_t>(blip_store[0] | blip_store[1] << 8) >> 4;
  for (uint32_t i = 1; i <= entries; ++i) all.insert(i);
  return all;
}

std::string SelectDocumentPictures(RecoveryJob& job, PictureSource& source,
                                   std::vector<uint8_t>& stream, size_t store_offset,
                                   size_t store_length, const std::set<uint32_t>& references) {
  if (store_offset <= stream.size() && store_length <= stream.size() - store_offset) {
    const std::span<uint8_t> store(stream.data() + store_offset, store_length);
    SelectedPictures selected = source.Select(store, references);
    std::copy(selected.blip_store.begin(), selected.blip_store.end(), store.begin());
    if (selected.mended > 0 && job.trace().enabled())
      job.trace().Trace(std::to_string(selected.mended) +
                        " damaged picture(s) mended in place\r\n");
    const std::string path = job.workspace().File(kSelectedPicturesFile);
    return WriteWholeFile(path, selected.pictures) ? path : std::string();
  }
  const std::string path = job.workspace().File(kSelectedPicturesFile);
  return WriteWholeFile(path, {}) ? path : std::string();
}

}  // namespace vlx
