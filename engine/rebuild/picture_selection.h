#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/rebuild/blip_catalogue.h"

namespace vlx {

// A blip store and the Pictures stream that go together in one rebuilt document.
struct SelectedPictures {
  std::vector<uint8_t> blip_store;  // same length as the store it was made from
  std::vector<uint8_t> pictures;    // the referred pictures, back to back
  size_t carried = 0;               // entries that point at a picture of `pictures`
  size_t mended = 0;                // of those, damaged pictures mended in place
};

// Rewrites a whole blip-store record for a document that needs only the entries in
// `references` (1-based): each of them whose picture the catalogue holds gets that
// picture copied into the new Pictures stream (a damaged one mended in place) and its entry
// pointed at it; every other
// entry that refers to the Pictures stream is marked empty (size 0, no references,
// offset past the stream), so nothing is read from a place that holds another picture.
// Entries that carry their picture inside the store are kept as they are.
SelectedPictures SelectPictures(std::span<const uint8_t> blip_store,
                                const std::set<uint32_t>& references,
                                const BlipCatalogue& catalogue, DamagedFile& pictures_file);

// The run's pictures file with its catalogue, read once and used for every document.
class PictureSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<PictureSource> Open(const std::string& pictures_path);

  SelectedPictures Select(std::span<const uint8_t> blip_store,
                          const std::set<uint32_t>& references) {
    return SelectPictures(blip_store, references, catalogue_, *file_);
  }
  const BlipCatalogue& catalogue() const { return catalogue_; }

 private:
  PictureSource(std::unique_ptr<DamagedFile> file, BlipCatalogue catalogue)
      : file_(std::move(file)), catalogue_(std::move(catalogue)) {}

  std::unique_ptr<DamagedFile> file_;
  BlipCatalogue catalogue_;
};

}  // namespace vlx
