#include "engine/format/record_tree.h"

#include <algorithm>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;

struct Span {
  size_t begin;
  size_t end;
};

constexpr int kDeepestNesting = 64;

bool IsContainer(uint16_t version_instance) {
  return (version_instance & 0x000F) == 0x000F;
}

// Containers whose children are shapes, each standing on its own: one lost to damage
// leaves the others meaning what they meant.
bool HoldsShapes(uint16_t type) {
  return type == kTypeGroupContainer || type == kTypeDrawingContainer;
}

bool OpensShape(std::span<const uint8_t> bytes, size_t at) {
  const uint16_t type = GetU16(bytes, at + 2);
  return IsContainer(GetU16(bytes, at)) &&
         (type == kTypeShapeContainer || type == kTypeGroupContainer);
}

// The first offset in [from, end) where a shape begins from which record headers lead
// exactly to end: where the records after a damaged run of a shapes container take up
// again. end when there is none. Linear in end - from: whether the headers from each
// offset reach end is worked out once, from the end backwards.
size_t ResumeAfterDamage(std::span<const uint8_t> bytes, size_t from, size_t end) {
  if (from >= end) return end;
  std::vector<bool> reaches_end(end - from + 1, false);
  reaches_end[end - from] = true;
  for (size_t at = end; at-- > from;) {
    if (end - at < kHeader) continue;
    const size_t length = GetU32(bytes, at + kRecordLengthField);
    if (length <= end - at - kHeader)
      reaches_end[at - from] = reaches_end[at + kHeader + length - from];
  }
  for (size_t at = from; end - at >= kHeader; ++at)
    if (reaches_end[at - from] && OpensShape(bytes, at)) return at;
  return end;
}

// Appends the kept records of bytes[begin, end) to out; shapes says whether they are
// the children of a shapes container.
void TrimRun(std::span<const uint8_t> bytes, size_t begin, size_t end, int depth,
             bool cut_short_keeps, bool shapes, std::vector<uint8_t>& out) {
  while (end - begin >= kHeader) {
    const uint16_t version_instance = GetU16(bytes, begin);
    size_t length = GetU32(bytes, begin + kRecordLengthField);
    const size_t body = begin + kHeader;
    if (length > end - body) {
      if (shapes) {
        begin = ResumeAfterDamage(bytes, begin + 1, end);
        continue;
      }
      if (!cut_short_keeps) return;
      length = end - body;  // a record cut off by the end of the file
    }
    const size_t header_at = out.size();
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(begin),
               bytes.begin() + static_cast<std::ptrdiff_t>(body));
    if (IsContainer(version_instance) && length > 0) {
      if (depth < kDeepestNesting)
        TrimRun(bytes, body, body + length, depth + 1, false, HoldsShapes(GetU16(bytes, begin + 2)),
                out);
    } else {
      out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(body),
                 bytes.begin() + static_cast<std::ptrdiff_t>(body + length));
    }
    PutU32(out, header_at + kRecordLengthField,
           static_cast<uint32_t>(out.size() - header_at - kHeader));
    begin = body + length;
  }
}

// How many bytes, per byte of a shapes container, the shapes looked at after a damage
// and found broken may cost: a run crafted to hold a shape header at every offset is
// looked at in time linear in its size, the shapes after it are then not taken up.
constexpr size_t kResumeLookBudget = 8;

// The first offset in [from, end) where a shape lies whole and well formed; end when
// there is none or the budget of bytes to look at is spent.
size_t NextWholeShape(std::span<const uint8_t> bytes, size_t from, size_t end, size_t& budget) {
  for (size_t at = from; at < end && end - at >= kHeader; ++at) {
    if (!OpensShape(bytes, at)) continue;
    const size_t length = GetU32(bytes, at + kRecordLengthField);
    if (length > end - at - kHeader) continue;
    if (budget < length) return end;
    if (IsWellFormedRecordRun(bytes.subspan(at, kHeader + length))) return at;
    budget -= length;
  }
  return end;
}

// Appends to out the shapes of bytes[from, end), the children of a shapes container
// damaged before from, as KeepAroundDamage takes them up.
void KeepShapesAfterDamage(std::span<const uint8_t> bytes, size_t from, size_t end,
                           DamageUnits units, std::vector<uint8_t>& out) {
  size_t budget = kResumeLookBudget * (end - from);
  for (size_t at = NextWholeShape(bytes, from, end, budget); at < end;) {
    size_t next = at;
    while (end - next >= kHeader) {
      const size_t length = GetU32(bytes, next + kRecordLengthField);
      if (length > end - next - kHeader) break;
      next += kHeader + length;
    }
    // Records that run into the unit where the headers break again may hold its noise.
    const size_t keep_to = next == end ? end : units.UnitStart(next);
    for (size_t record = at; record < next;) {
      const size_t after = record + kHeader + GetU32(bytes, record + kRecordLengthField);
      if (after > keep_to) break;
      if (IsWellFormedRecordRun(bytes.subspan(record, after - record)))
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(record),
                   bytes.begin() + static_cast<std::ptrdiff_t>(after));
      record = after;
    }
    if (next == end) return;
    at = NextWholeShape(bytes, next + 1, end, budget);
  }
}

// Appends to out the records of bytes[begin, end) kept around damage that begins at
// limit, as KeepAroundDamage; shapes says whether they are the children of a shapes
// container.
void KeepRun(std::span<const uint8_t> bytes, size_t begin, size_t end, size_t limit,
             std::span<const uint16_t> open_types, DamageUnits units, int depth, bool shapes,
             std::vector<uint8_t>& out) {
  while (end - begin >= kHeader && begin < limit) {
    const uint16_t version_instance = GetU16(bytes, begin);
    const uint16_t type = GetU16(bytes, begin + 2);
    const size_t length = GetU32(bytes, begin + kRecordLengthField);
    const size_t body = begin + kHeader;
    if (length > end - body) break;
    const size_t next = body + length;
    const bool open = IsContainer(version_instance) && depth < kDeepestNesting &&
                      std::find(open_types.begin(), open_types.end(), type) != open_types.end();
    if (next <= limit && IsWellFormedRecordRun(bytes.subspan(begin, next - begin))) {
      out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                 bytes.begin() + static_cast<std::ptrdiff_t>(next));
    } else if (open) {
      const size_t header_at = out.size();
      out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                 bytes.begin() + static_cast<std::ptrdiff_t>(body));
      KeepRun(bytes, body, next, limit, open_types, units, depth + 1, HoldsShapes(type), out);
      PutU32(out, header_at + kRecordLengthField,
             static_cast<uint32_t>(out.size() - header_at - kHeader));
    }
    begin = next;
  }
  if (!shapes || limit >= end) return;
  KeepShapesAfterDamage(bytes, std::max(begin, limit), end, units, out);
}

}  // namespace

std::vector<std::span<const uint8_t>> ChildRecords(std::span<const uint8_t> container) {
  std::vector<std::span<const uint8_t>> children;
  size_t at = kHeader;
  while (container.size() >= kHeader && container.size() - at >= kHeader) {
    const uint32_t length = GetU32(container, at + kRecordLengthField);
    if (container.size() - at - kHeader < length) break;
    children.push_back(container.subspan(at, kHeader + size_t{length}));
    at += kHeader + size_t{length};
  }
  return children;
}

std::span<const uint8_t> FirstChild(std::span<const uint8_t> container, uint16_t type) {
  for (std::span<const uint8_t> child : ChildRecords(container))
    if (GetU16(child, 2) == type) return child;
  return {};
}

size_t FirstBreak(std::span<const uint8_t> bytes) {
  std::vector<Span> pending = {{0, bytes.size()}};
  size_t first = bytes.size();
  while (!pending.empty()) {
    Span run = pending.back();
    pending.pop_back();
    while (run.begin < run.end && run.begin < first) {
      const uint32_t length =
          run.end - run.begin < kHeader ? 0 : GetU32(bytes, run.begin + kRecordLengthField);
      const size_t body = run.begin + kHeader;
      if (run.end - run.begin < kHeader || length > run.end - body) {
        first = run.begin;
        break;
      }
      if ((GetU16(bytes, run.begin) & 0x000F) == 0x000F && length > 0)
        pending.push_back({body, body + length});
      run.begin = body + length;
    }
  }
  return first;
}

std::vector<uint8_t> KeepAroundDamage(std::span<const uint8_t> bytes, size_t limit,
                                      std::span<const uint16_t> open_types, DamageUnits units) {
  std::vector<uint8_t> out;
  KeepRun(bytes, 0, bytes.size(), limit, open_types, units, 0, false, out);
  return out;
}

std::vector<uint8_t> WholeShapesIn(std::span<const uint8_t> bytes, size_t from, size_t end,
                                   DamageUnits units) {
  std::vector<uint8_t> out;
  if (from < end && end <= bytes.size()) KeepShapesAfterDamage(bytes, from, end, units, out);
  return out;
}

std::vector<uint8_t> TrimToWellFormed(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  TrimRun(bytes, 0, bytes.size(), 0, true, false, out);
  return out;
}

bool IsWellFormedRecordRun(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return false;
  // Runs still to check, as explicit work so that deep nesting costs no stack.
  std::vector<Span> pending = {{0, bytes.size()}};
  while (!pending.empty()) {
    Span run = pending.back();
    pending.pop_back();
    while (run.begin < run.end) {
      if (run.end - run.begin < kHeader) return false;
      const uint16_t version_instance = GetU16(bytes, run.begin);
      const uint32_t length = GetU32(bytes, run.begin + kRecordLengthField);
      const size_t body = run.begin + kHeader;
      if (length > run.end - body) return false;
      if ((version_instance & 0x000F) == 0x000F && length > 0)
        pending.push_back({body, body + length});
      run.begin = body + length;
    }
  }
  return true;
}

}  // namespace vlx
