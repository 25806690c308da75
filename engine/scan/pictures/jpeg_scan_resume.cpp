#include "engine/scan/pictures/jpeg_scan_resume.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/canonical_code.h"
#include "engine/scan/pictures/damage_block.h"
#include "engine/scan/pictures/jpeg_markers.h"

namespace vlx {
namespace {

constexpr int kMaxCodeBits = 16;
constexpr int kStartsTried = 32;     // bits tried at each place: a block's codes are shorter
constexpr size_t kPlacesTried = 16;  // damage-block starts tried past a loss
// Random codes fail within about a damage block; a run that fails later than this after its
// start had fallen into step, and met another loss.
constexpr uint64_t kFarRead = 2 * kDamageBlock;
constexpr size_t kStepMcus = 64;  // a start not in step with the others within this many
constexpr uint64_t kLargestMcuCount = uint64_t{1} << 24;
constexpr uint64_t kComparedMcus = 128;
constexpr uint64_t kLargestDrawn = uint64_t{1}
                                   << 22;  // DCs kept to draw lost MCUs from  // of a piece's first
                                           // row, matched against the row above
constexpr uint64_t kBitsPerByteOfWork = 64 * 8;  // bits decoded per coded byte, over every try

constexpr uint8_t kBaselineFrame = 0xC0;
constexpr uint8_t kExtendedFrame = 0xC1;
constexpr uint8_t kEndOfBlock = 0x00;

// A canonical code as a DHT segment gives it: how many codes of each length, the symbols in
// code order.
struct HuffmanTable {
  std::array<uint16_t, kMaxCodeBits + 1> count{};
  std::vector<uint8_t> symbol;
  bool present = false;

  // The code and its length for `wanted`, when the table has one.
  std::optional<std::pair<uint32_t, int>> CodeOf(uint8_t wanted) const {
    uint32_t code = 0;
    size_t index = 0;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
      for (int i = 0; i < count[length]; ++i, ++index, ++code)
        if (index < symbol.size() && symbol[index] == wanted) return std::make_pair(code, length);
      code <<= 1;
    }
    return std::nullopt;
  }
};

struct ScanComponent {
  int blocks = 1;          // blocks of the component in one MCU
  uint8_t dc = 0, ac = 0;  // its tables
};

struct Scan {
  std::array<HuffmanTable, 4> dc, ac;
  std::vector<ScanComponent> components;
  uint64_t mcus = 0;
  uint64_t mcus_per_row = 0;
};

struct FrameComponent {
  uint8_t id = 0, h = 1, v = 1;
};

bool ReadTables(std::span<const uint8_t> body, Scan& scan) {
  size_t at = 0;
  while (at < body.size()) {
    const uint8_t kind = body[at] >> 4, id = body[at] & 0x0F;
    if (kind > 1 || id > 3 || body.size() - at < 17) return false;
    HuffmanTable& table = kind == 0 ? scan.dc[id] : scan.ac[id];
    size_t symbols = 0;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
      table.count[length] = body[at + static_cast<size_t>(length)];
      symbols += table.count[length];
    }
    at += 17;
    if (body.size() - at < symbols) return false;
    table.symbol.assign(body.begin() + static_cast<std::ptrdiff_t>(at),
                        body.begin() + static_cast<std::ptrdiff_t>(at + symbols));
    table.present = true;
    at += symbols;
  }
  return true;
}

// The segments from the start of the picture to its scan: the code tables, the frame's
// components and their sampling, the scan's components and their tables.
std::optional<Scan> ReadScan(std::span<const uint8_t> jpeg, size_t data_start) {
  Scan scan;
  std::vector<FrameComponent> frame;
  uint32_t width = 0, height = 0;
  bool scanned = false;
  for (size_t pos = 2; pos + 4 <= data_start;) {
    if (jpeg[pos] != kJpegMarker) return std::nullopt;
    const uint8_t m = jpeg[pos + 1];
    const size_t length = LoadU16BigEndian(jpeg.data() + pos + 2);
    if (length < 2 || pos + 2 + length > data_start) return std::nullopt;
    const std::span<const uint8_t> body = jpeg.subspan(pos + 4, length - 2);
    if (m == kJpegHuffmanTables && !ReadTables(body, scan)) return std::nullopt;
    if ((m >= 0xC2 && m <= 0xCF && m != kJpegHuffmanTables && m != 0xC8 && m != 0xCC) ||
        (m == kJpegRestartInterval && body.size() >= 2 && LoadU16BigEndian(body.data()) != 0))
      return std::nullopt;  // progressive, lossless or arithmetic coded, or with restarts
    if (m == kBaselineFrame || m == kExtendedFrame) {
      if (body.size() < 6 || body[0] != 8) return std::nullopt;
      height = LoadU16BigEndian(body.data() + 1);
      width = LoadU16BigEndian(body.data() + 3);
      const size_t n = body[5];
      if (body.size() < 6 + 3 * n || n == 0) return std::nullopt;
      for (size_t c = 0; c < n; ++c) {
        const uint8_t hv = body[6 + 3 * c + 1];
        if ((hv >> 4) == 0 || (hv >> 4) > 4 || (hv & 15) == 0 || (hv & 15) > 4) return std::nullopt;
        frame.push_back(
            {body[6 + 3 * c], static_cast<uint8_t>(hv >> 4), static_cast<uint8_t>(hv & 15)});
      }
    }
    if (m == kJpegStartOfScan) {
      if (pos + 2 + length != data_start || frame.empty() || body.empty()) return std::nullopt;
      const size_t n = body[0];
      if (n != frame.size() || body.size() < 1 + 2 * n + 3) return std::nullopt;
      for (size_t c = 0; c < n; ++c) {
        const auto it = std::find_if(frame.begin(), frame.end(), [&](const FrameComponent& f) {
          return f.id == body[1 + 2 * c];
        });
        const uint8_t dc = body[2 + 2 * c] >> 4, ac = body[2 + 2 * c] & 15;
        if (it == frame.end() || dc > 3 || ac > 3 || !scan.dc[dc].present || !scan.ac[ac].present)
          return std::nullopt;
        scan.components.push_back({n == 1 ? 1 : it->h * it->v, dc, ac});
      }
      scanned = true;
    }
    pos += 2 + length;
  }
  if (!scanned || width == 0 || height == 0) return std::nullopt;
  uint32_t hmax = 1, vmax = 1;
  for (const FrameComponent& f : frame) {
    hmax = std::max<uint32_t>(hmax, f.h);
    vmax = std::max<uint32_t>(vmax, f.v);
  }
  if (frame.size() == 1) hmax = vmax = 1;  // one component: one block per MCU
  scan.mcus_per_row = (width + 8 * hmax - 1) / (8 * hmax);
  scan.mcus = scan.mcus_per_row * ((height + 8 * vmax - 1) / (8 * vmax));
  if (scan.mcus > kLargestMcuCount) return std::nullopt;
  return scan;
}

// The coded bits, most significant first, the zero byte after each 0xFF skipped. A position
// is the byte's offset times eight plus the bits read of it.
class CodedBits {
 public:
  CodedBits(std::span<const uint8_t> jpeg, size_t end, uint64_t position)
      : jpeg_(jpeg),
        end_(end),
        byte_(static_cast<size_t>(position / 8)),
        bit_(static_cast<int>(position % 8)) {}

  int Bit() {
    if (byte_ >= end_) {
      over_ = true;
      return 0;
    }
    const uint8_t b = jpeg_[byte_];
    if (b == kJpegMarker && (byte_ + 1 >= end_ || jpeg_[byte_ + 1] != 0x00)) {
      over_ = true;  // a marker in the coded data
      return 0;
    }
    const int value = (b >> (7 - bit_)) & 1;
    if (++bit_ == 8) {
      bit_ = 0;
      byte_ += b == kJpegMarker ? 2 : 1;
    }
    return value;
  }
  void Skip(int n) {
    for (int i = 0; i < n; ++i) Bit();
  }
  uint32_t Take(int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value = value << 1 | static_cast<uint32_t>(Bit());
    return value;
  }
  uint64_t position() const { return uint64_t{byte_} * 8 + static_cast<uint64_t>(bit_); }
  bool over() const { return over_; }
  // Only padding (one bits) is left before the end.
  bool AtEnd() const {
    if (byte_ >= end_) return byte_ == end_ && bit_ == 0;
    if (bit_ == 0) return false;
    const uint8_t b = jpeg_[byte_];
    const size_t next = byte_ + (b == kJpegMarker ? 2 : 1);
    const auto padding = static_cast<uint8_t>((1u << (8 - bit_)) - 1);
    return next == end_ && (b & padding) == padding;
  }

 private:
  std::span<const uint8_t> jpeg_;
  size_t end_;
  size_t byte_;
  int bit_;
  bool over_ = false;
};

int DecodeSymbol(CodedBits& in, const HuffmanTable& table) {
  return DecodeCanonical(in, table.count, table.symbol);
}

// The DC values of the components through MCUs read, counted from 0 where the reading
// began: each component's predictor (the DC of its last block), and each component's mean DC
// over the first and over the last `window` MCUs.
struct DcTrack {
  DcTrack(size_t components, size_t row) : predictor(components, 0), window(row) {}
  std::vector<int> predictor;
  size_t window = 0;
  std::deque<std::vector<int>> first, last;  // per MCU: each component's first DC
  std::vector<int> all;                      // per MCU, each component's first DC

  void Add(std::vector<int> dcs) {
    all.insert(all.end(), dcs.begin(), dcs.end());
    if (first.size() < window) first.push_back(dcs);
    last.push_back(std::move(dcs));
    if (last.size() > window) last.pop_front();
  }
  static std::vector<double> Mean(const std::deque<std::vector<int>>& mcus, size_t components) {
    std::vector<double> mean(components, 0);
    for (const auto& mcu : mcus)
      for (size_t c = 0; c < mcu.size() && c < components; ++c) mean[c] += mcu[c];
    for (double& m : mean) m /= mcus.empty() ? 1 : static_cast<double>(mcus.size());
    return mean;
  }
  std::vector<double> FirstMean() const { return Mean(first, predictor.size()); }
  int Lead(uint64_t mcu) const { return all[static_cast<size_t>(mcu) * predictor.size()]; }
  std::vector<double> LastMean() const { return Mean(last, predictor.size()); }
};

int Extend(uint32_t bits, int size) {
  if (size == 0) return 0;
  const auto v = static_cast<int>(bits);
  return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

bool DecodeMcu(CodedBits& in, const Scan& scan, DcTrack* track) {
  std::vector<int> first_dc;
  for (size_t ci = 0; ci < scan.components.size(); ++ci) {
    const ScanComponent& c = scan.components[ci];
    for (int b = 0; b < c.blocks; ++b) {
      const int size = DecodeSymbol(in, scan.dc[c.dc]);
      if (size < 0 || size > 11) return false;
      const int diff = Extend(in.Take(size), size);
      if (track) {
        track->predictor[ci] += diff;
        if (b == 0) first_dc.push_back(track->predictor[ci]);
      }
      for (int k = 1; k < 64;) {
        const int rs = DecodeSymbol(in, scan.ac[c.ac]);
        if (rs < 0) return false;
        const int run = rs >> 4, bits = rs & 15;
        if (bits == 0) {
          if (run != 15) break;  // end of block
          k += 16;
          if (k > 64) return false;
          continue;
        }
        k += run;
        if (k > 63) return false;
        in.Skip(bits);
        ++k;
      }
      if (in.over()) return false;
    }
  }
  if (track) track->Add(std::move(first_dc));
  return true;
}

// The MCUs read from `start`: where each begins, and whether they run to the end exactly.
struct McuRun {
  std::vector<uint64_t> starts;
  uint64_t end = 0;  // where the last one ends
  bool reached_end = false;
};

McuRun ReadMcus(std::span<const uint8_t> jpeg, size_t end, uint64_t start, const Scan& scan,
                uint64_t most, uint64_t stop_at, uint64_t& budget, DcTrack* track = nullptr) {
  McuRun run;
  CodedBits in(jpeg, end, start);
  while (run.starts.size() < most && in.position() < stop_at) {
    const uint64_t at = in.position();
    if (budget == 0) return run;
    run.starts.push_back(at);
    if (!DecodeMcu(in, scan, track)) {
      run.starts.pop_back();
      return run;
    }
    run.end = in.position();
    budget -= std::min(budget, run.end - at);
    if (in.AtEnd()) {
      run.reached_end = true;
      return run;
    }
  }
  return run;
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) PutBit(static_cast<int>((code >> i) & 1));
  }
  void PutBit(int bit) {
    acc_ = static_cast<uint8_t>(acc_ << 1 | bit);
    if (++n_ == 8) {
      out_.push_back(acc_);
      if (acc_ == kJpegMarker) out_.push_back(0x00);
      acc_ = 0;
      n_ = 0;
    }
  }
  void Copy(std::span<const uint8_t> jpeg, size_t end, uint64_t from, uint64_t to) {
    CodedBits in(jpeg, end, from);
    while (in.position() < to && !in.over()) PutBit(in.Bit());
  }
  void PadWithOnes() {
    while (n_ != 0) PutBit(1);
  }

 private:
  std::vector<uint8_t>& out_;
  uint8_t acc_ = 0;
  int n_ = 0;
};

}  // namespace

std::optional<size_t> JpegScanFailsAt(std::span<const uint8_t> jpeg, size_t data_start,
                                      size_t data_end) {
  if (data_end <= data_start || data_end > jpeg.size()) return std::nullopt;
  const std::optional<Scan> scan = ReadScan(jpeg, data_start);
  if (!scan) return std::nullopt;
  uint64_t budget = UINT64_MAX;
  const McuRun run =
      ReadMcus(jpeg, data_end, uint64_t{data_start} * 8, *scan, scan->mcus, UINT64_MAX, budget);
  if (run.starts.size() >= scan->mcus || run.reached_end) return std::nullopt;
  // Where the MCU that failed began.
  return static_cast<size_t>((run.starts.empty() ? uint64_t{data_start} * 8 : run.end) / 8);
}

namespace {

// A stretch of coded data read as the picture's own: its bits, its MCUs, the bytes it spans,
// and its DCs counted from 0 where it begins.
struct Piece {
  uint64_t from = 0, to = 0;
  uint64_t mcus = 0;
  size_t first_byte = 0, last_byte = 0;
  std::optional<DcTrack> dc;
};

Piece ReadPiece(std::span<const uint8_t> jpeg, size_t end, const Scan& scan, uint64_t from,
                uint64_t mcus, uint64_t& budget) {
  Piece piece;
  piece.from = from;
  piece.dc.emplace(scan.components.size(), scan.mcus_per_row);
  const McuRun run = ReadMcus(jpeg, end, from, scan, mcus, UINT64_MAX, budget, &*piece.dc);
  piece.mcus = run.starts.size();
  piece.to = run.end;
  piece.first_byte = static_cast<size_t>(from / 8);
  piece.last_byte = static_cast<size_t>((run.end + 7) / 8);
  return piece;
}

// Where the starts after `reference`'s within a symbol's reach fall into step with it.
std::optional<uint64_t> InStep(std::span<const uint8_t> jpeg, size_t end, const Scan& scan,
                               uint64_t first_bit, int offset, const McuRun& reference,
                               uint64_t& budget) {
  std::optional<uint64_t> in_step;
  for (; offset < kStartsTried; ++offset) {
    const McuRun trial = ReadMcus(jpeg, end, first_bit + static_cast<uint64_t>(offset), scan,
                                  kStepMcus, UINT64_MAX, budget);
    for (uint64_t s : trial.starts)
      if (std::binary_search(reference.starts.begin(), reference.starts.end(), s)) {
        in_step = std::max(in_step.value_or(0), s);
        break;
      }
  }
  return in_step;
}

// Lost MCUs shared among the gaps in proportion to the bytes each lost.
std::vector<uint64_t> ShareLost(uint64_t lost, const std::vector<uint64_t>& weights) {
  std::vector<uint64_t> share(weights.size(), 0);
  double total = 0;
  for (uint64_t w : weights) total += static_cast<double>(w);
  uint64_t given = 0;
  for (size_t i = 0; i < weights.size() && total > 0; ++i) {
    share[i] = std::min(
        lost - given,
        static_cast<uint64_t>(static_cast<double>(lost) * static_cast<double>(weights[i]) / total));
    given += share[i];
  }
  for (size_t i = 0; given < lost && !share.empty(); i = (i + 1) % share.size(), ++given)
    ++share[i];
  return share;
}

constexpr int kUnknownDc = INT32_MIN;

// Writes the `count` lost MCUs from `at` on, with no coefficient but their DC: each in the
// colour of the MCU drawn above it (where one is), the last one ending on `enter`, the DC the
// piece after it goes on from (where the table has a code for that change). `drawn` holds each
// component's DC of every MCU drawn so far (empty: none kept), `predictor` the decoder's.
void WriteLost(BitWriter& writer, const Scan& scan, uint64_t at, uint64_t count,
               const std::vector<double>& enter, std::vector<int>& drawn,
               std::vector<int>& predictor) {
  const size_t n = scan.components.size();
  const uint64_t row = scan.mcus_per_row;
  for (uint64_t m = 0; m < count; ++m) {
    const uint64_t q = at + m;
    for (size_t ci = 0; ci < n; ++ci) {
      int target = predictor[ci];
      if (m + 1 == count)
        target = static_cast<int>(std::lround(enter[ci]));
      else if (!drawn.empty() && q >= row &&
               drawn[static_cast<size_t>(q - row) * n + ci] != kUnknownDc)
        target = drawn[static_cast<size_t>(q - row) * n + ci];
      const ScanComponent& c = scan.components[ci];
      const HuffmanTable& dc = scan.dc[c.dc];
      for (int b = 0; b < c.blocks; ++b) {
        int value = b == 0 ? std::clamp(target - predictor[ci], -2047, 2047) : 0;
        int size = 0;
        while ((std::abs(value) >> size) != 0) ++size;
        std::optional<std::pair<uint32_t, int>> code = dc.CodeOf(static_cast<uint8_t>(size));
        if (!code) {  // no code for that size of change: the colour goes on unchanged
          value = size = 0;
          code = dc.CodeOf(0);
        }
        writer.Put(code->first, code->second);
        writer.Put(static_cast<uint32_t>(value >= 0 ? value : value + (1 << size) - 1), size);
        const auto eob = scan.ac[c.ac].CodeOf(kEndOfBlock);
        writer.Put(eob->first, eob->second);
        predictor[ci] += value;
      }
      if (!drawn.empty()) drawn[static_cast<size_t>(q) * n + ci] = predictor[ci];
    }
  }
}

// Where the pieces between the first and the last lie: each gap as shared, or within half a
// row of that where the first row of the piece best matches the row above it (the first
// component's DCs, as each piece's `lead_offset` makes them). The last gap takes what is left;
// the shares stand when it would be less than none.
std::vector<uint64_t> AlignGaps(const std::vector<Piece>& pieces, std::vector<uint64_t> gaps,
                                const std::vector<double>& lead_offset, uint64_t mcus,
                                uint64_t row) {
  if (pieces.size() < 3 || row == 0) return gaps;
  const std::vector<uint64_t> shared = gaps;
  constexpr int kUnknown = kUnknownDc;
  std::vector<int> drawn(static_cast<size_t>(mcus), kUnknown);  // the lead DC of each MCU
  auto place = [&](const Piece& piece, uint64_t at, double offset) {
    for (uint64_t k = 0; k < piece.mcus && at + k < mcus; ++k)
      drawn[static_cast<size_t>(at + k)] =
          static_cast<int>(std::lround(offset + piece.dc->Lead(k)));
  };
  place(pieces[0], 0, 0);
  uint64_t at = pieces[0].mcus;
  const uint64_t reach = std::min<uint64_t>(row / 2, 64);
  for (size_t i = 1; i + 1 < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    const uint64_t share = gaps[i - 1];
    uint64_t best = share;
    double best_score = 0;
    bool scored = false;
    for (uint64_t gap = share > reach ? share - reach : 0; gap <= share + reach; ++gap) {
      const uint64_t p = at + gap;
      if (p < row || p + piece.mcus > mcus) continue;
      double sum = 0;
      uint64_t count = 0;
      const uint64_t compared = std::min({piece.mcus, row, kComparedMcus});
      for (uint64_t k = 0; k < compared; ++k) {
        const int above = drawn[static_cast<size_t>(p + k - row)];
        if (above == kUnknown) continue;
        sum += std::abs(lead_offset[i] + piece.dc->Lead(k) - above);
        ++count;
      }
      if (count < std::max<uint64_t>(4, compared / 4)) continue;
      if (!scored || sum / static_cast<double>(count) < best_score) {
        best_score = sum / static_cast<double>(count);
        best = gap;
        scored = true;
      }
    }
    gaps[i - 1] = best;
    at += best;
    place(piece, at, lead_offset[i]);
    at += piece.mcus;
  }
  const uint64_t tail_at = mcus - pieces.back().mcus;
  if (at > tail_at) return shared;
  gaps.back() = tail_at - at;
  return gaps;
}

}  // namespace

namespace {

// The coded data as pieces the picture's own: the MCUs that end before the cut, then past it
// each stretch read in step up to the next loss, the last to the end. A run that reads far and
// fails has met another loss: the search goes on past it. nullopt when no stretch reaches the
// end.
std::optional<std::vector<Piece>> ReadPieces(std::span<const uint8_t> jpeg, size_t end,
                                             const Scan& scan, size_t data_start, size_t cut,
                                             size_t phase, uint64_t& budget) {
  const McuRun before =
      ReadMcus(jpeg, end, uint64_t{data_start} * 8, scan, scan.mcus, uint64_t{cut} * 8, budget);
  size_t kept_mcus = before.starts.size();
  if (kept_mcus > 0 && before.end > uint64_t{cut} * 8) --kept_mcus;
  if (kept_mcus == 0) return std::nullopt;
  std::vector<Piece> pieces = {
      ReadPiece(jpeg, end, scan, uint64_t{data_start} * 8, kept_mcus, budget)};
  pieces.front().last_byte = cut;
  size_t places = 0;
  for (size_t place = cut + (kDamageBlock - (cut + phase) % kDamageBlock) % kDamageBlock;
       place < end && places < kPlacesTried; place += kDamageBlock, ++places) {
    const size_t first = place > 0 && jpeg[place - 1] == kJpegMarker ? place + 1 : place;
    const uint64_t first_bit = uint64_t{first} * 8;
    std::optional<McuRun> reference;
    int offset = 0;
    for (; offset < kStartsTried && !reference; ++offset) {
      const uint64_t start = first_bit + static_cast<uint64_t>(offset);
      McuRun run = ReadMcus(jpeg, end, start, scan, scan.mcus, UINT64_MAX, budget);
      if (run.reached_end || run.end > start + kFarRead * 8) reference = std::move(run);
      if (budget == 0) return std::nullopt;
    }
    if (!reference) continue;
    const std::optional<uint64_t> in_step =
        InStep(jpeg, end, scan, first_bit, offset, *reference, budget);
    // Up to the next loss: the MCUs that end a damage block before the one where it showed.
    const size_t failed = static_cast<size_t>(reference->end / 8);
    const size_t failed_block = failed - (failed + phase) % kDamageBlock;
    if (!reference->reached_end) {
      while (place + kDamageBlock < failed_block) place += kDamageBlock;
      places = 0;
    }
    if (!in_step) continue;
    const auto from =
        std::lower_bound(reference->starts.begin(), reference->starts.end(), *in_step);
    uint64_t mcus = static_cast<uint64_t>(reference->starts.end() - from);
    if (!reference->reached_end) {
      const uint64_t limit =
          failed_block >= kDamageBlock ? uint64_t{failed_block - kDamageBlock} * 8 : 0;
      const auto upto = std::upper_bound(from, reference->starts.end(), limit);
      // starts[i + 1] is where MCU i ends: the MCUs whose next one starts by the limit.
      mcus = upto - from > 0 ? static_cast<uint64_t>(upto - from) - 1 : 0;
    }
    if (mcus == 0) continue;
    pieces.push_back(ReadPiece(jpeg, end, scan, *from, mcus, budget));
    if (reference->reached_end) return pieces;
  }
  return std::nullopt;
}

// Where the pieces lie and the DC each goes on from.
struct Placing {
  std::vector<uint64_t> gaps;                // lost MCUs before each piece after the first
  std::vector<std::vector<double>> offsets;  // per piece and component: the DC its 0 stands for
};

// The last piece ends where the picture does; the lost MCUs are shared among the gaps as the
// bytes lost in each, then each piece between is matched to the row above it. Each piece
// read again gives its DCs as changes from a lost one: it goes on from the DC that makes its
// first row's mean that of the last row before it. nullopt when the pieces hold more MCUs than
// the picture (after those between are dropped).
std::optional<Placing> PlacePieces(std::vector<Piece>& pieces, const Scan& scan) {
  uint64_t read = 0;
  for (const Piece& p : pieces) read += p.mcus;
  while (read > scan.mcus && pieces.size() > 2) {  // pieces that cannot all be the picture's
    read -= pieces[pieces.size() - 2].mcus;
    pieces.erase(pieces.end() - 2);
  }
  if (read > scan.mcus) return std::nullopt;
  std::vector<uint64_t> bytes_lost;
  for (size_t i = 1; i < pieces.size(); ++i)
    bytes_lost.push_back(pieces[i].first_byte -
                         std::min(pieces[i].first_byte, pieces[i - 1].last_byte) + 1);
  const size_t n = scan.components.size();
  Placing placing;
  placing.offsets.assign(pieces.size(), std::vector<double>(n, 0));
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::vector<double> last = pieces[i - 1].dc->LastMean(),
                              first = pieces[i].dc->FirstMean();
    for (size_t c = 0; c < n; ++c)
      placing.offsets[i][c] = std::round(placing.offsets[i - 1][c] + last[c] - first[c]);
  }
  std::vector<double> lead_offset;
  for (const auto& o : placing.offsets) lead_offset.push_back(o[0]);
  placing.gaps = AlignGaps(pieces, ShareLost(scan.mcus - read, bytes_lost), lead_offset, scan.mcus,
                           scan.mcus_per_row);
  return placing;
}

// The scan written again: the pieces' bits as they were, and the lost MCUs between them.
void WriteScan(BitWriter& writer, std::span<const uint8_t> jpeg, size_t end, const Scan& scan,
               const std::vector<Piece>& pieces, const Placing& placing) {
  const size_t n = scan.components.size();
  // What is drawn, MCU by MCU, so that a lost MCU takes the colour of the one above it.
  std::vector<int> drawn(scan.mcus * n <= kLargestDrawn ? static_cast<size_t>(scan.mcus) * n : 0,
                         kUnknownDc);
  std::vector<int> predictor(n, 0), entered(n, 0);
  auto draw_piece = [&](const Piece& piece, uint64_t at) {
    writer.Copy(jpeg, end, piece.from, piece.to);
    entered = predictor;
    for (size_t c = 0; c < n; ++c) predictor[c] = entered[c] + piece.dc->predictor[c];
    if (drawn.empty()) return;
    for (uint64_t k = 0; k < piece.mcus && at + k < scan.mcus; ++k)
      for (size_t c = 0; c < n; ++c)
        drawn[static_cast<size_t>(at + k) * n + c] =
            entered[c] + piece.dc->all[static_cast<size_t>(k) * n + c];
  };
  draw_piece(pieces[0], 0);
  uint64_t at = pieces[0].mcus;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const uint64_t gap = placing.gaps[i - 1];
    // Without a lost MCU to change it in, the colour goes on from the one before.
    std::vector<double> enter(n, 0);
    for (size_t c = 0; c < n; ++c)
      enter[c] =
          gap == 0 ? predictor[c] : placing.offsets[i][c] - placing.offsets[i - 1][c] + entered[c];
    WriteLost(writer, scan, at, gap, enter, drawn, predictor);
    at += gap;
    draw_piece(pieces[i], at);
    at += pieces[i].mcus;
  }
  writer.PadWithOnes();
}

}  // namespace

std::optional<std::vector<uint8_t>> ResumeJpegScan(std::span<const uint8_t> jpeg, size_t data_start,
                                                   size_t cut, size_t phase, size_t room) {
  if (cut <= data_start || cut >= jpeg.size()) return std::nullopt;
  const std::optional<Scan> scan = ReadScan(jpeg, data_start);
  if (!scan) return std::nullopt;
  for (const ScanComponent& c : scan->components)  // a lost block is drawn flat
    if (!scan->dc[c.dc].CodeOf(0) || !scan->ac[c.ac].CodeOf(kEndOfBlock)) return std::nullopt;
  size_t end = jpeg.size();  // the end-of-image marker: the last one in the picture
  while (end >= cut + 2 && !(jpeg[end - 2] == kJpegMarker && jpeg[end - 1] == kJpegEndOfImage))
    --end;
  if (end < cut + 2) return std::nullopt;
  end -= 2;
  uint64_t budget = kBitsPerByteOfWork * (end - data_start);
  std::optional<std::vector<Piece>> pieces =
      ReadPieces(jpeg, end, *scan, data_start, cut, phase, budget);
  if (!pieces) return std::nullopt;
  const std::optional<Placing> placing = PlacePieces(*pieces, *scan);
  if (!placing) return std::nullopt;
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(data_start));
  BitWriter writer(out);
  WriteScan(writer, jpeg, end, *scan, *pieces, *placing);
  out.push_back(kJpegMarker);
  out.push_back(kJpegEndOfImage);
  if (out.size() > room) return std::nullopt;
  out.resize(room, 0);
  return out;
}

}  // namespace vlx
