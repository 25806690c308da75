#include "engine/scan/pictures/png_mending.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/block_inflate.h"
#include "engine/scan/pictures/deflate_resume.h"
#include "engine/scan/pictures/png_format.h"
#include "engine/scan/pictures/png_row_filters.h"

namespace vlx {
namespace {

constexpr size_t kFrame = 12;  // length, type and checksum around a chunk's data
constexpr size_t kHeaderData = 13;
// Pictures larger than this, unpacked, are left as they are.
constexpr uint64_t kLargestUnpacked = uint64_t{256} << 20;
// A row read again after the damage with more than one byte in this many copied from lost
// bytes is not drawn from them.
constexpr size_t kMostlyLost = 2;
// The chunk that fills the room the damaged picture took: ancillary, private, safe to copy.
constexpr std::string_view kPaddingType = "paDd";

struct Chunk {
  std::string_view type;
  std::span<const uint8_t> data;
  size_t at = 0;  // offset of the data in the picture
  bool whole = false;
};

uint32_t ChunkCrc(std::string_view type, std::span<const uint8_t> data) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  // zlib takes a null buffer (what an empty span may hold) for a request to start over.
  if (data.empty()) return static_cast<uint32_t>(crc);
  // Chunk data is far below 4 GiB: its length came from a 32-bit field that fit the picture.
  return static_cast<uint32_t>(crc32(crc, data.data(), static_cast<uInt>(data.size())));
}

// The chunks from the signature on, up to IEND or to the first chunk whose length or type
// is no longer a chunk's; *ended tells whether IEND was reached.
std::vector<Chunk> WalkChunks(std::span<const uint8_t> png, bool* ended) {
  std::vector<Chunk> chunks;
  *ended = false;
  size_t pos = sizeof kPngSignature;
  while (png.size() >= pos && png.size() - pos >= kFrame) {
    const uint32_t length = LoadU32BigEndian(png.data() + pos);
    const uint8_t* type = png.data() + pos + 4;
    if (!IsPngChunkType(type) || length > png.size() - pos - kFrame) break;
    Chunk chunk;
    chunk.type = std::string_view(reinterpret_cast<const char*>(type), 4);
    chunk.data = png.subspan(pos + 8, length);
    chunk.at = pos + 8;
    chunk.whole =
        LoadU32BigEndian(png.data() + pos + 8 + length) == ChunkCrc(chunk.type, chunk.data);
    chunks.push_back(chunk);
    pos += kFrame + length;
    if (chunk.type == "IEND") {
      *ended = true;
      break;
    }
  }
  return chunks;
}

struct Header {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t depth = 0;
  uint8_t color = 0;
  size_t channels = 0;
  size_t row_bytes = 0;    // one filtered row: the filter byte and the packed samples
  size_t pixel_bytes = 0;  // the filters' byte distance between neighbouring pixels
};

std::optional<Header> ReadHeader(const Chunk& chunk) {
  if (chunk.type != "IHDR" || !chunk.whole || chunk.data.size() != kHeaderData) return std::nullopt;
  const uint8_t* d = chunk.data.data();
  Header h;
  h.width = LoadU32BigEndian(d);
  h.height = LoadU32BigEndian(d + 4);
  h.depth = d[8];
  h.color = d[9];
  if (h.width == 0 || h.height == 0 || d[10] != 0 || d[11] != 0 || d[12] != 0)
    return std::nullopt;  // interlaced pictures keep no whole rows before a damage
  const bool depth_ok = [&] {
    switch (h.color) {
      case 0:
        return h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16;
      case 3:
        return h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8;
      case 2:
      case 4:
      case 6:
        return h.depth == 8 || h.depth == 16;
      default:
        return false;
    }
  }();
  if (!depth_ok) return std::nullopt;
  h.channels = h.color == 2 ? 3 : h.color == 4 ? 2 : h.color == 6 ? 4 : 1;
  const uint64_t bits = uint64_t{h.width} * h.channels * h.depth;
  const uint64_t row = (bits + 7) / 8 + 1;
  if (row * h.height > kLargestUnpacked) return std::nullopt;
  h.row_bytes = static_cast<size_t>(row);
  h.pixel_bytes = std::max<size_t>(1, h.channels * h.depth / 8);
  return h;
}

// The filtered rows that inflate, and how many of their bytes are known to be right.
struct Rows {
  std::vector<uint8_t> filtered;
  size_t good = 0;
  size_t damage_from = 0;  // in the image data: the damage lies past this byte
};

// Inflates the image data block by block. A row that names no filter shows the damage as
// well as an error does. Chunks whose checksum holds are never damaged.
Rows InflateRows(const std::vector<Chunk>& chunks, const Header& h, size_t phase) {
  Rows rows;
  BlockInflater inflater(h.row_bytes * h.height);
  size_t clean = 0;        // bytes out before the first damaged chunk
  size_t clean_input = 0;  // and in
  size_t fed = 0;
  bool damaged_chunk = false;
  for (const Chunk& chunk : chunks) {
    if (chunk.type != "IDAT") continue;
    if (!chunk.whole && !damaged_chunk) {
      damaged_chunk = true;
      clean = inflater.produced();
      clean_input = fed;
    }
    fed += chunk.data.size();
    if (!inflater.Feed(chunk.data, chunk.at + phase)) break;
  }
  const size_t produced = inflater.produced();
  rows.filtered = inflater.TakeOut();
  size_t wrong = produced;  // where the bytes out are known to be wrong
  for (size_t at = 0; at < produced; at += h.row_bytes)
    if (rows.filtered[at] > 4) {
      wrong = at;
      break;
    }
  if ((inflater.ended() && wrong == produced) || !damaged_chunk) {
    rows.good = wrong;
    rows.damage_from = fed;
    return rows;
  }
  rows.good = std::max(inflater.RightBefore(wrong), std::min(clean, wrong));
  rows.damage_from = std::max(inflater.InputRightBefore(wrong), clean_input);
  return rows;
}

// The last of the first `rows` rows, unfiltered.
std::vector<uint8_t> LastKeptRow(const std::vector<uint8_t>& filtered, const Header& h,
                                 uint32_t rows) {
  const size_t stride = h.row_bytes - 1;
  std::vector<uint8_t> prior(stride, 0), line(stride);
  for (uint32_t r = 0; r < rows; ++r) {
    const uint8_t* in = filtered.data() + size_t{r} * h.row_bytes;
    UnfilterPngRow(in[0], {in + 1, stride}, prior, h.pixel_bytes, line);
    std::swap(prior, line);
  }
  return prior;
}

// Sample `index` of an unfiltered row: packed from the high bits for small depths,
// big-endian for 16.
uint32_t SampleAt(const std::vector<uint8_t>& line, const Header& h, size_t index) {
  if (h.depth < 8) {
    const size_t bit = index * h.depth;
    return (line[bit / 8] >> (8 - h.depth - bit % 8)) & ((1u << h.depth) - 1);
  }
  if (h.depth == 8) return line[index];
  return uint32_t{line[2 * index]} << 8 | line[2 * index + 1];
}

// A filtered row (filter none) whose every pixel has the given channel values.
std::vector<uint8_t> FlatRow(const Header& h, const std::vector<uint32_t>& pixel) {
  std::vector<uint8_t> row(h.row_bytes, 0);
  for (size_t x = 0; x < h.width; ++x)
    for (size_t ch = 0; ch < h.channels; ++ch) {
      const size_t index = x * h.channels + ch;
      const uint32_t value = pixel[ch];
      if (h.depth < 8) {
        const size_t bit = index * h.depth;
        row[1 + bit / 8] =
            static_cast<uint8_t>(row[1 + bit / 8] | value << (8 - h.depth - bit % 8));
      } else if (h.depth == 8) {
        row[1 + index] = static_cast<uint8_t>(value);
      } else {
        row[1 + 2 * index] = static_cast<uint8_t>(value >> 8);
        row[2 + 2 * index] = static_cast<uint8_t>(value);
      }
    }
  return row;
}

const Chunk* FindWhole(const std::vector<Chunk>& chunks, std::string_view type) {
  for (const Chunk& chunk : chunks)
    if (chunk.type == type && chunk.whole) return &chunk;
  return nullptr;
}

// How the lost rows are drawn: one row (filter byte included) in the average colour of the
// last whole row, so a damaged background keeps its colour and what is written on it stays
// readable; and, for a palette, the palette and transparency that hold that colour.
struct Fill {
  std::vector<uint8_t> row;
  std::optional<std::vector<uint8_t>> palette;  // replaces PLTE when set
  std::optional<std::vector<uint8_t>> transparency;
};

// Averages of colour channels weighted by opacity, and of opacity.
struct Average {
  std::vector<uint64_t> colour;
  uint64_t opacity = 0, weight = 0, pixels = 0;
  void Add(const std::vector<uint32_t>& channels, uint32_t alpha) {
    colour.resize(channels.size(), 0);
    for (size_t c = 0; c < channels.size(); ++c) colour[c] += uint64_t{channels[c]} * alpha;
    weight += alpha;
    opacity += alpha;
    ++pixels;
  }
  uint32_t Colour(size_t c) const {
    return weight == 0 ? 0 : static_cast<uint32_t>((colour[c] + weight / 2) / weight);
  }
  uint32_t Opacity() const {
    return pixels == 0 ? 0 : static_cast<uint32_t>((opacity + pixels / 2) / pixels);
  }
};

std::optional<Fill> AverageColourFill(const std::vector<Chunk>& chunks, const Header& h,
                                      const std::vector<uint8_t>& filtered, uint32_t rows) {
  const std::vector<uint8_t> last = LastKeptRow(filtered, h, rows);
  Fill fill;
  Average average;
  if (h.color != 3) {
    const bool alpha = h.color == 4 || h.color == 6;
    const size_t colours = alpha ? h.channels - 1 : h.channels;
    const uint32_t opaque = (1u << h.depth) - 1;
    std::vector<uint32_t> pixel(colours);
    for (size_t x = 0; x < h.width; ++x) {
      for (size_t c = 0; c < colours; ++c) pixel[c] = SampleAt(last, h, x * h.channels + c);
      average.Add(pixel, alpha ? SampleAt(last, h, x * h.channels + colours) : opaque);
    }
    std::vector<uint32_t> flat(h.channels);
    for (size_t c = 0; c < colours; ++c) flat[c] = average.Colour(c);
    if (alpha) flat[colours] = average.Opacity();
    fill.row = FlatRow(h, flat);
    return fill;
  }
  const Chunk* palette = FindWhole(chunks, "PLTE");
  if (palette == nullptr || palette->data.empty() || palette->data.size() % 3 != 0)
    return std::nullopt;
  const auto entries = static_cast<uint32_t>(palette->data.size() / 3);
  std::vector<uint8_t> alpha(entries, 0xFF);
  const Chunk* transparency = FindWhole(chunks, "tRNS");
  if (transparency != nullptr)
    std::copy_n(transparency->data.begin(), std::min<size_t>(entries, transparency->data.size()),
                alpha.begin());
  for (size_t x = 0; x < h.width; ++x) {
    const uint32_t index = SampleAt(last, h, x);
    if (index >= entries) continue;
    const uint8_t* rgb = palette->data.data() + 3 * index;
    average.Add({rgb[0], rgb[1], rgb[2]}, alpha[index]);
  }
  if (average.pixels == 0) return std::nullopt;
  const std::array<uint32_t, 4> wanted = {average.Colour(0), average.Colour(1), average.Colour(2),
                                          average.Opacity()};
  uint32_t chosen = 0;
  if (entries < (1u << h.depth)) {  // room for one more entry: the colour itself
    std::vector<uint8_t> grown(palette->data.begin(), palette->data.end());
    for (int c = 0; c < 3; ++c) grown.push_back(static_cast<uint8_t>(wanted[c]));
    fill.palette = std::move(grown);
    chosen = entries;
    if (transparency != nullptr || wanted[3] != 0xFF) {
      alpha.push_back(static_cast<uint8_t>(wanted[3]));
      fill.transparency = std::move(alpha);
    }
  } else {  // else the nearest entry
    uint64_t nearest = UINT64_MAX;
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* rgb = palette->data.data() + 3 * i;
      const std::array<uint32_t, 4> have = {rgb[0], rgb[1], rgb[2], alpha[i]};
      uint64_t d = 0;
      for (int c = 0; c < 4; ++c) {
        const int64_t diff = int64_t{have[c]} - int64_t{wanted[c]};
        d += static_cast<uint64_t>(diff * diff);
      }
      if (d < nearest) {
        nearest = d;
        chosen = i;
      }
    }
  }
  fill.row = FlatRow(h, {chosen});
  return fill;
}

// The image data as one zlib stream, and where in it a damage block of the picture's stream
// begins: where lost bytes may end.
struct ImageData {
  std::vector<uint8_t> zlib;
  std::vector<size_t> block_starts;
};

// Only points in or after the last damaged chunk are given: a run taken up before it would
// read through its damage, and what it read there is not the picture's.
ImageData GatherImageData(const std::vector<Chunk>& chunks, size_t phase) {
  ImageData data;
  for (const Chunk& chunk : chunks) {
    if (chunk.type != "IDAT") continue;
    const size_t base = data.zlib.size();
    data.zlib.insert(data.zlib.end(), chunk.data.begin(), chunk.data.end());
    if (!chunk.whole) data.block_starts.clear();
    for (size_t i = (kDamageBlock - (chunk.at + phase) % kDamageBlock) % kDamageBlock;
         i < chunk.data.size(); i += kDamageBlock)
      data.block_starts.push_back(base + i);
  }
  return data;
}

// A tail of the image data, which ends where the last row does, is the picture's own only if
// every row it begins names a filter.
bool RowsBeginRight(const ResumedTail& tail, const Header& h) {
  const size_t total = h.row_bytes * h.height;
  const size_t start = total - tail.bytes.size();
  size_t checked = 0;
  for (size_t at = (start + h.row_bytes - 1) / h.row_bytes * h.row_bytes; at < total;
       at += h.row_bytes) {
    const size_t i = at - start;
    if (tail.known[i] == 0) continue;
    if (tail.bytes[i] > 4) return false;
    ++checked;
  }
  return checked > 0;
}

struct ResumedRows {
  std::vector<uint8_t> filtered;  // every row of the picture, filtered again
  uint32_t rows = 0;              // rows read again after the damage
};

// The first row of a tail that begins at `start` in the image data whose bytes are mostly
// read: right after the damage most bytes are copies of lost ones.
uint32_t FirstMostlyRead(const ResumedTail& tail, const Header& h, size_t start) {
  auto first = static_cast<uint32_t>((start + h.row_bytes - 1) / h.row_bytes);
  for (; first < h.height; ++first) {
    const auto from = tail.known.begin() + static_cast<std::ptrdiff_t>(first * h.row_bytes - start);
    const auto lost = std::count(from, from + static_cast<std::ptrdiff_t>(h.row_bytes), 0);
    if (static_cast<size_t>(lost) * kMostlyLost <= h.row_bytes) break;
  }
  return first;
}

// Unfiltered rows, `stride` bytes each, the first above zeros.
class UnfilteredImage {
 public:
  explicit UnfilteredImage(const Header& h)
      : stride_(h.row_bytes - 1), bytes_(stride_ * h.height), zeros_(stride_, 0) {}
  std::span<uint8_t> Row(uint32_t r) { return {bytes_.data() + size_t{r} * stride_, stride_}; }
  std::span<const uint8_t> Above(uint32_t r) {
    return r == 0 ? std::span<const uint8_t>(zeros_) : Row(r - 1);
  }

 private:
  size_t stride_;
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> zeros_;
};

// The picture with the rows that follow its damage read again from the image data past it.
std::optional<ResumedRows> ResumeRows(const std::vector<Chunk>& chunks, const Header& h,
                                      const Rows& rows, uint32_t kept, const Fill& fill,
                                      size_t phase) {
  const size_t total = h.row_bytes * h.height;
  const ImageData data = GatherImageData(chunks, phase);
  // The tail reaches back no further than the rows kept.
  const std::optional<ResumedTail> tail = ResumeAfterLoss(
      data.zlib, rows.damage_from, data.block_starts, total, [&](const ResumedTail& t) {
        return t.bytes.size() <= total - size_t{kept} * h.row_bytes && RowsBeginRight(t, h);
      });
  if (!tail) return std::nullopt;
  const size_t start = total - tail->bytes.size();
  const uint32_t first = FirstMostlyRead(*tail, h, start);
  if (first >= h.height || first < kept) return std::nullopt;
  const bool bytes_of_colour = h.depth == 8 && h.color != 3;
  // Palette indices and packed samples are left unfiltered by encoders; filtered, read over
  // a lost row they name colours at random.
  if (!bytes_of_colour)
    for (uint32_t r = first; r < h.height; ++r) {
      const size_t i = size_t{r} * h.row_bytes - start;
      if (tail->known[i] != 0 && tail->bytes[i] != 0) return std::nullopt;
    }

  const size_t stride = h.row_bytes - 1;
  UnfilteredImage image(h);
  for (uint32_t r = 0; r < kept; ++r) {
    const uint8_t* in = rows.filtered.data() + size_t{r} * h.row_bytes;
    UnfilterPngRow(in[0], {in + 1, stride}, image.Above(r), h.pixel_bytes, image.Row(r));
  }
  // The rows between are drawn in the fill, and the first row read again is unfiltered over
  // it: drawing them from the last whole row down would draw its detail as streaks. A lost
  // byte is drawn as its filter predicts where samples are bytes of colour; else (palette
  // indices, packed samples) in the fill, which does not repeat a row down the picture.
  const std::span<const uint8_t> flat = std::span<const uint8_t>(fill.row).subspan(1);
  for (uint32_t r = kept; r < first; ++r) std::copy(flat.begin(), flat.end(), image.Row(r).begin());
  uint8_t filter = 0;
  for (uint32_t r = first; r < h.height; ++r) {
    const size_t i = size_t{r} * h.row_bytes - start;
    if (tail->known[i] != 0) filter = tail->bytes[i];
    UnfilterPngRow(filter, {tail->bytes.data() + i + 1, stride}, r == first ? flat : image.Above(r),
                   h.pixel_bytes, image.Row(r), {tail->known.data() + i + 1, stride},
                   bytes_of_colour ? std::span<const uint8_t>() : flat);
  }
  ResumedRows resumed;
  resumed.filtered.resize(total);
  for (uint32_t r = 0; r < h.height; ++r)
    FilterPngRowBest(image.Row(r), image.Above(r), h.pixel_bytes,
                     {resumed.filtered.data() + size_t{r} * h.row_bytes, h.row_bytes});
  resumed.rows = h.height - first;
  return resumed;
}

void AppendChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data) {
  uint8_t frame[4];
  const auto length = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) frame[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  out.insert(out.end(), frame, frame + 4);
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uint32_t crc = ChunkCrc(type, data);
  for (int i = 0; i < 4; ++i) frame[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  out.insert(out.end(), frame, frame + 4);
}

std::optional<std::vector<uint8_t>> Deflate(const std::vector<uint8_t>& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  if (compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
    return std::nullopt;
  packed.resize(size);
  return packed;
}

// The picture with `raw` (filtered rows) as its image data between the chunks before and
// after it, in exactly `room` bytes; nullopt when it does not fit.
std::optional<MendedPng> Pack(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              const std::vector<uint8_t>& raw, size_t room) {
  for (int level = 9; level >= 1; --level) {
    std::optional<std::vector<uint8_t>> packed = Deflate(raw, level);
    if (!packed) return std::nullopt;
    const size_t size = before.size() + kFrame + packed->size() + after.size() + kFrame;
    if (size > room) return std::nullopt;  // a lower level packs no tighter
    const size_t left = room - size;
    if (left != 0 && left < kFrame) continue;  // too little for the filling chunk
    MendedPng mended;
    mended.bytes = before;
    AppendChunk(mended.bytes, "IDAT", *packed);
    mended.bytes.insert(mended.bytes.end(), after.begin(), after.end());
    if (left != 0) AppendChunk(mended.bytes, kPaddingType, std::vector<uint8_t>(left - kFrame, 0));
    AppendChunk(mended.bytes, "IEND", {});
    return mended;
  }
  return std::nullopt;
}

}  // namespace

bool PngImageDataWhole(std::span<const uint8_t> png) {
  if (png.size() < sizeof kPngSignature || std::memcmp(png.data(), kPngSignature, 8) != 0)
    return true;
  bool ended = false;
  for (const Chunk& chunk : WalkChunks(png, &ended))
    if (chunk.type == "IDAT" && !chunk.whole) return false;
  return ended;
}

std::optional<MendedPng> MendDamagedPng(std::span<const uint8_t> png, size_t phase, size_t room) {
  bool ended = false;
  const std::vector<Chunk> chunks = WalkChunks(png, &ended);
  const bool signed_ok =
      png.size() >= sizeof kPngSignature && std::memcmp(png.data(), kPngSignature, 8) == 0;
  const bool whole =
      std::all_of(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.whole; });
  if (chunks.empty() || (signed_ok && ended && whole)) return std::nullopt;
  const std::optional<Header> header = ReadHeader(chunks.front());
  if (!header) return std::nullopt;
  if (ended && whole) {  // only the signature was hit: it is the same in every picture
    if (png.size() != room) return std::nullopt;
    MendedPng restored;
    restored.bytes.assign(png.begin(), png.end());
    restored.rows_kept = restored.height = header->height;
    std::copy(kPngSignature, kPngSignature + sizeof kPngSignature, restored.bytes.begin());
    return restored;
  }
  const Rows rows = InflateRows(chunks, *header, phase % kDamageBlock);
  const auto kept =
      static_cast<uint32_t>(std::min<size_t>(header->height, rows.good / header->row_bytes));
  if (kept == 0) return std::nullopt;

  std::vector<uint8_t> raw(
      rows.filtered.begin(),
      rows.filtered.begin() + static_cast<std::ptrdiff_t>(kept * header->row_bytes));
  Fill fill;
  if (kept < header->height) {
    std::optional<Fill> flat = AverageColourFill(chunks, *header, rows.filtered, kept);
    if (!flat) return std::nullopt;
    fill = std::move(*flat);
    raw.reserve(header->row_bytes * header->height);
    for (uint32_t r = kept; r < header->height; ++r)
      raw.insert(raw.end(), fill.row.begin(), fill.row.end());
  }
  const Chunk* transparency = FindWhole(chunks, "tRNS");
  if (!fill.transparency && transparency != nullptr)
    fill.transparency = std::vector<uint8_t>(transparency->data.begin(), transparency->data.end());
  if (header->color == 3 && FindWhole(chunks, "PLTE") == nullptr) return std::nullopt;

  // The whole chunks keep their places around the image data; a damaged one is dropped.
  std::vector<uint8_t> before(kPngSignature, kPngSignature + sizeof kPngSignature);
  AppendChunk(before, "IHDR", chunks.front().data);
  std::vector<uint8_t> after;
  bool past_data = false;
  for (size_t i = 1; i < chunks.size(); ++i) {
    const Chunk& chunk = chunks[i];
    if (chunk.type == "IDAT") past_data = true;
    if (!chunk.whole || chunk.type == "IDAT" || chunk.type == "IEND" || chunk.type == "tRNS" ||
        chunk.type == "IHDR")
      continue;
    if (chunk.type == "PLTE" && fill.palette) {
      AppendChunk(before, "PLTE", *fill.palette);
      continue;
    }
    AppendChunk(past_data ? after : before, chunk.type, chunk.data);
  }
  if (fill.transparency) AppendChunk(before, "tRNS", *fill.transparency);

  if (kept < header->height)
    if (std::optional<ResumedRows> resumed =
            ResumeRows(chunks, *header, rows, kept, fill, phase % kDamageBlock))
      if (std::optional<MendedPng> mended = Pack(before, after, resumed->filtered, room)) {
        mended->rows_kept = kept;
        mended->rows_resumed = resumed->rows;
        mended->height = header->height;
        return mended;
      }
  std::optional<MendedPng> mended = Pack(before, after, raw, room);
  if (mended) {
    mended->rows_kept = kept;
    mended->height = header->height;
  }
  return mended;
}

}  // namespace vlx
