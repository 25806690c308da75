#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace vlx {

using ByteSpan = std::span<const uint8_t>;

// What the picture search knows of one kind of picture file kept whole inside a picture
// record: how it begins, and where it ends by its own structure.
struct PictureFormat {
  std::string_view name;       // "JPEG": for the log and for placeholder thumbnails
  std::string_view extension;  // the saved file's extension
  // True when bytes begin like a file of this kind.
  bool (*begins)(ByteSpan bytes);
  // Length of the file that starts at bytes[0], read from its own structure; nullopt when
  // its end does not lie within bytes, or when the format does not tell its end.
  std::optional<size_t> (*measure)(ByteSpan bytes);
  // True when the end measured is a mark the file closes with (JPEG, PNG, GIF), so that
  // nothing of the picture follows it; false when it is a size field that may fall
  // short of what the writer stored.
  bool ends_with_mark;
};

}  // namespace vlx
