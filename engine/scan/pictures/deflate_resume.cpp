#include "engine/scan/pictures/deflate_resume.h"

#include <algorithm>
#include <array>
#include <memory>

#include "engine/scan/pictures/canonical_code.h"

namespace vlx {
namespace {

constexpr int kMaxBits = 15;
constexpr size_t kZlibHeader = 2;
constexpr size_t kCheckValue = 4;  // the Adler-32 after the deflate data
// A length or distance symbol with its extra bits is never longer than this, so the
// symbols read after a loss begin within this many bits of where the readable bytes do.
constexpr int kSymbolBits = 48;
// Decoding from a wrong bit soon falls into step with the right one: the symbols read
// before every start tried agrees are not trusted.
constexpr size_t kStepSymbols = 512;
// At most this many symbols decoded per byte of the stream, over every try.
constexpr uint64_t kSymbolsPerByte = 64;
constexpr uint64_t kSymbolsAtLeast = uint64_t{1} << 20;
constexpr size_t kLaterTables = 3;
// Random bytes decoded as symbols fail within about a damage block; a run that fails later
// than this after its start had fallen into step, and met another loss.
constexpr uint64_t kFarRead = 1024;  // blocks begun past where the loss may begin, tried too

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// A canonical prefix code: how many codes of each length, and the symbols in code order.
struct Code {
  std::array<uint16_t, kMaxBits + 1> count{};
  std::vector<uint16_t> symbol;
};

// 0 for a complete code, above 0 for an incomplete one, below 0 for one over-subscribed.
int BuildCode(Code& code, const uint8_t* lengths, int n) {
  code.count.fill(0);
  for (int s = 0; s < n; ++s) ++code.count[lengths[s]];
  if (code.count[0] == n) return 0;
  int left = 1;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = 2 * left - code.count[length];
    if (left < 0) return left;
  }
  std::array<uint16_t, kMaxBits + 1> next{};
  for (int length = 1; length < kMaxBits; ++length)
    next[length + 1] = static_cast<uint16_t>(next[length] + code.count[length]);
  code.symbol.assign(static_cast<size_t>(n), 0);
  for (int s = 0; s < n; ++s)
    if (lengths[s] != 0) code.symbol[next[lengths[s]]++] = static_cast<uint16_t>(s);
  return left;
}

struct Tables {
  Code literal, distance;
};

std::shared_ptr<const Tables> FixedTables() {
  static const std::shared_ptr<const Tables> fixed = [] {
    auto tables = std::make_shared<Tables>();
    std::array<uint8_t, 288 + 30> lengths{};
    for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    for (int s = 288; s < 318; ++s) lengths[s] = 5;
    BuildCode(tables->literal, lengths.data(), 288);
    BuildCode(tables->distance, lengths.data() + 288, 30);
    return tables;
  }();
  return fixed;
}

class BitReader {
 public:
  BitReader(std::span<const uint8_t> data, uint64_t bit) : data_(data), bit_(bit) {}

  int Bit() {
    if (bit_ >= data_.size() * 8) {
      over_ = true;
      return 0;
    }
    const int b = (data_[bit_ >> 3] >> (bit_ & 7)) & 1;
    ++bit_;
    return b;
  }
  uint32_t Take(int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value |= static_cast<uint32_t>(Bit()) << i;
    return value;
  }
  void Align() { bit_ = std::min<uint64_t>((bit_ + 7) & ~uint64_t{7}, data_.size() * 8); }
  uint64_t bit() const { return bit_; }
  bool over() const { return over_; }

 private:
  std::span<const uint8_t> data_;
  uint64_t bit_;
  bool over_ = false;
};

// The next symbol of `code`, or -1 where the bits name none.
int DecodeSymbol(BitReader& in, const Code& code) {
  return DecodeCanonical(in, code.count, code.symbol);
}

std::shared_ptr<const Tables> ReadDynamicTables(BitReader& in) {
  static constexpr std::array<uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
  const int literals = static_cast<int>(in.Take(5)) + 257;
  const int distances = static_cast<int>(in.Take(5)) + 1;
  const int code_lengths = static_cast<int>(in.Take(4)) + 4;
  if (literals > 286 || distances > 30) return nullptr;
  std::array<uint8_t, 19> cl{};
  for (int i = 0; i < code_lengths; ++i) cl[kOrder[i]] = static_cast<uint8_t>(in.Take(3));
  Code length_code;
  if (BuildCode(length_code, cl.data(), 19) != 0) return nullptr;
  std::array<uint8_t, 286 + 30> lengths{};
  for (int i = 0; i < literals + distances;) {
    const int symbol = DecodeSymbol(in, length_code);
    if (symbol < 0 || in.over()) return nullptr;
    if (symbol < 16) {
      lengths[i++] = static_cast<uint8_t>(symbol);
      continue;
    }
    uint8_t value = 0;
    int repeat = 0;
    if (symbol == 16) {
      if (i == 0) return nullptr;
      value = lengths[i - 1];
      repeat = 3 + static_cast<int>(in.Take(2));
    } else if (symbol == 17) {
      repeat = 3 + static_cast<int>(in.Take(3));
    } else {
      repeat = 11 + static_cast<int>(in.Take(7));
    }
    if (i + repeat > literals + distances) return nullptr;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[256] == 0) return nullptr;
  auto tables = std::make_shared<Tables>();
  int err = BuildCode(tables->literal, lengths.data(), literals);
  if (err < 0 || (err > 0 && literals - tables->literal.count[0] != 1)) return nullptr;
  err = BuildCode(tables->distance, lengths.data() + literals, distances);
  if (err < 0 || (err > 0 && distances - tables->distance.count[0] != 1)) return nullptr;
  return tables;
}

struct BlockStart {
  uint64_t bit = 0;                      // where the block's header begins
  std::shared_ptr<const Tables> tables;  // null for a stored block
  bool last = false;
};

enum class Stop { kEnded, kFailed, kLimit };

// One decoding run: where it reads, the block it is in, what it writes.
struct Run {
  Run(std::span<const uint8_t> data, uint64_t bit, std::shared_ptr<const Tables> block_tables,
      bool last_block)
      : in(data, bit), tables(std::move(block_tables)), last(last_block) {}

  BitReader in;
  std::shared_ptr<const Tables> tables;  // null: a block header comes next
  bool last = false;
  bool from_start = false;  // a reference before the first byte out is then an error
  size_t at_most = 0;
  ResumedTail out;
  // What is recorded on the way, when asked for.
  std::vector<BlockStart>* blocks = nullptr;
  std::vector<uint64_t>* symbol_bits = nullptr;
  std::vector<size_t>* symbol_outs = nullptr;
  size_t symbols_wanted = SIZE_MAX;
  uint64_t stop_bit = UINT64_MAX;
};

Stop ReadHeader(Run& run) {
  const uint64_t at = run.in.bit();
  run.last = run.in.Bit() == 1;
  const uint32_t type = run.in.Take(2);
  if (run.in.over()) return Stop::kFailed;
  if (type == 1) {
    run.tables = FixedTables();
  } else if (type == 2) {
    run.tables = ReadDynamicTables(run.in);
    if (!run.tables || run.in.over()) return Stop::kFailed;
  } else if (type == 0) {
    // A stored block: its bytes are copied as they stand.
    run.in.Align();
    const uint32_t length = run.in.Take(16);
    const uint32_t check = run.in.Take(16);
    if (run.in.over() || (length ^ 0xFFFF) != check) return Stop::kFailed;
    if (run.blocks) run.blocks->push_back({at, nullptr, run.last});
    for (uint32_t i = 0; i < length; ++i) {
      const auto byte = static_cast<uint8_t>(run.in.Take(8));
      if (run.in.over() || run.out.bytes.size() >= run.at_most) return Stop::kFailed;
      run.out.bytes.push_back(byte);
      run.out.known.push_back(1);
    }
    return run.last ? Stop::kEnded : Stop::kLimit;
  } else {
    return Stop::kFailed;
  }
  if (run.blocks) run.blocks->push_back({at, run.tables, run.last});
  return Stop::kLimit;
}

// Decodes until the stream ends, fails, or a limit of the run or of `budget` is reached.
Stop Decode(Run& run, uint64_t& budget) {
  size_t symbols = 0;
  while (true) {
    if (!run.tables) {
      const Stop stop = ReadHeader(run);
      if (stop != Stop::kLimit) return stop;
      if (!run.tables) continue;  // a stored block was copied
    }
    if (run.in.bit() >= run.stop_bit || symbols >= run.symbols_wanted) return Stop::kLimit;
    if (budget == 0) return Stop::kLimit;
    --budget;
    if (run.symbol_bits && run.symbol_bits->size() < run.symbols_wanted) {
      run.symbol_bits->push_back(run.in.bit());
      run.symbol_outs->push_back(run.out.bytes.size());
    }
    ++symbols;
    const int symbol = DecodeSymbol(run.in, run.tables->literal);
    if (symbol < 0 || run.in.over()) return Stop::kFailed;
    if (symbol < 256) {
      if (run.out.bytes.size() >= run.at_most) return Stop::kFailed;
      run.out.bytes.push_back(static_cast<uint8_t>(symbol));
      run.out.known.push_back(1);
      continue;
    }
    if (symbol == 256) {
      if (run.last) return Stop::kEnded;
      run.tables = nullptr;
      continue;
    }
    const int l = symbol - 257;
    if (l >= static_cast<int>(kLengthBase.size())) return Stop::kFailed;
    const size_t length = kLengthBase[l] + run.in.Take(kLengthExtra[l]);
    const int d = DecodeSymbol(run.in, run.tables->distance);
    if (d < 0 || d >= static_cast<int>(kDistanceBase.size()) || run.in.over()) return Stop::kFailed;
    const size_t distance = kDistanceBase[d] + run.in.Take(kDistanceExtra[d]);
    if (run.in.over()) return Stop::kFailed;
    if (run.from_start && distance > run.out.bytes.size()) return Stop::kFailed;
    if (run.out.bytes.size() + length > run.at_most) return Stop::kFailed;
    for (size_t k = 0; k < length; ++k) {
      const size_t size = run.out.bytes.size();
      const bool inside = distance <= size;
      run.out.bytes.push_back(inside ? run.out.bytes[size - distance] : 0);
      run.out.known.push_back(inside ? run.out.known[size - distance] : 0);
    }
  }
}

// The first bit where a run begun `offset` bits later falls into step with `reference`
// (the symbol starts it recorded), or nullopt when it does not within kStepSymbols.
std::optional<uint64_t> InStepAt(std::span<const uint8_t> zlib, uint64_t start,
                                 const BlockStart& block, const std::vector<uint64_t>& reference,
                                 uint64_t& budget) {
  Run trial(zlib, start, block.tables, block.last);
  trial.at_most = SIZE_MAX / 2;
  std::vector<uint64_t> bits;
  std::vector<size_t> outs;
  trial.symbol_bits = &bits;
  trial.symbol_outs = &outs;
  trial.symbols_wanted = kStepSymbols;
  Decode(trial, budget);
  for (uint64_t bit : bits)
    if (std::binary_search(reference.begin(), reference.end(), bit)) return bit;
  return std::nullopt;
}

}  // namespace

std::optional<ResumedTail> ResumeAfterLoss(std::span<const uint8_t> zlib, size_t damage_from,
                                           const std::vector<size_t>& resume_points, size_t at_most,
                                           const std::function<bool(const ResumedTail&)>& accept) {
  if (zlib.size() < kZlibHeader + kCheckValue || resume_points.empty()) return std::nullopt;
  const unsigned cmf = zlib[0], flags = zlib[1];
  if ((cmf & 0x0F) != 8 || (cmf * 256 + flags) % 31 != 0 || (flags & 0x20) != 0)
    return std::nullopt;
  uint64_t budget = kSymbolsAtLeast + kSymbolsPerByte * zlib.size();
  const uint64_t end_bit = uint64_t{zlib.size() - kCheckValue} * 8;

  // The blocks as the stream gives them from its start, up to where it fails.
  std::vector<BlockStart> blocks;
  {
    Run whole(zlib, kZlibHeader * 8, nullptr, false);
    whole.from_start = true;
    whole.at_most = at_most;
    whole.blocks = &blocks;
    whole.stop_bit = uint64_t{resume_points.back()} * 8;
    Decode(whole, budget);
  }
  // The tables in force where the loss may begin, then those of blocks begun after it (read
  // from bytes that may be lost, and so only tried).
  std::vector<BlockStart> tried;
  for (const BlockStart& block : blocks) {
    if (block.bit < uint64_t{damage_from} * 8) {
      tried.assign(1, block);
    } else if (tried.size() <= kLaterTables) {
      tried.push_back(block);
    }
  }
  std::erase_if(tried, [](const BlockStart& b) { return b.tables == nullptr; });

  // A run that read on well past where it was taken up, and failed, met a second loss:
  // with the same tables, the points before that one fail where it did.
  std::vector<uint64_t> failed_at(tried.size(), 0);
  for (size_t point : resume_points) {
    if (point <= damage_from || point + kCheckValue >= zlib.size()) continue;
    for (size_t t = 0; t < tried.size(); ++t) {
      const BlockStart& block = tried[t];
      if (block.bit >= uint64_t{point} * 8 || uint64_t{point} * 8 < failed_at[t]) continue;
      if (budget == 0) return std::nullopt;
      const uint64_t start = uint64_t{point} * 8;
      Run run(zlib, start, block.tables, block.last);
      run.at_most = at_most;
      std::vector<uint64_t> bits;
      std::vector<size_t> outs;
      run.symbol_bits = &bits;
      run.symbol_outs = &outs;
      run.symbols_wanted = kStepSymbols;
      // The recording stops at kStepSymbols; the run goes on to the end.
      Stop stop = Decode(run, budget);
      if (stop == Stop::kLimit && bits.size() == kStepSymbols) {
        run.symbols_wanted = SIZE_MAX;
        run.symbol_bits = nullptr;
        stop = Decode(run, budget);
      }
      if (stop == Stop::kFailed && run.in.bit() > start + kFarRead * 8)
        failed_at[t] = run.in.bit() - kFarRead * 8;
      if (stop != Stop::kEnded || (run.in.bit() + 7) / 8 * 8 != end_bit) continue;
      // Where every start within a symbol's reach agrees, the output is the stream's own.
      uint64_t in_step = start;
      for (int offset = 1; offset < kSymbolBits; ++offset) {
        const std::optional<uint64_t> at = InStepAt(zlib, start + offset, block, bits, budget);
        if (at) in_step = std::max(in_step, *at);
      }
      const auto first = std::lower_bound(bits.begin(), bits.end(), in_step);
      const size_t untrusted = first == bits.end()
                                   ? run.out.bytes.size()
                                   : outs[static_cast<size_t>(first - bits.begin())];
      std::fill(run.out.known.begin(),
                run.out.known.begin() + static_cast<std::ptrdiff_t>(untrusted), 0);
      run.out.resumed_at = point;
      if (accept(run.out)) return std::move(run.out);
    }
  }
  return std::nullopt;
}

}  // namespace vlx
