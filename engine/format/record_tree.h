#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vlx {

// True when bytes hold one or more whole records one after another, and every
// container among them (version 0xF) is filled exactly by its children, down to the
// atoms. A record cut short or a length that overruns its container fails.
bool IsWellFormedRecordRun(std::span<const uint8_t> bytes);

// A well-formed copy of a damaged run: inside every container the children are kept up
// to the first one that overruns it (that one and the rest are dropped) and the
// container's length is set to what it keeps; a top-level record cut short keeps the
// bytes that are there. Inside a group or drawing container the shapes after the
// overrunning child come back: from the first shape after it whose record headers lead
// exactly to the container's end. Nesting deeper than 64 levels is dropped.
std::vector<uint8_t> TrimToWellFormed(std::span<const uint8_t> bytes);

// The children of a container record (given with its header), each whole, in order; the
// walk stops at a child that overruns the container.
std::vector<std::span<const uint8_t>> ChildRecords(std::span<const uint8_t> container);

// The first child of the container record of the given type; empty when there is none.
std::span<const uint8_t> FirstChild(std::span<const uint8_t> container, uint16_t type);

// Where a damaged run first breaks: the offset of the first record header whose length
// overruns its container (or the run's end). bytes.size() when the run is well formed.
size_t FirstBreak(std::span<const uint8_t> bytes);

// Where the damage of a run can lie: noise replaces whole units (sectors) of the stream
// the run was read from, and bytes[0] lies at `phase` within its unit.
struct DamageUnits {
  size_t size = 1;
  size_t phase = 0;
  // The offset in the run at which the unit holding offset at begins (0 at the least).
  size_t UnitStart(size_t at) const {
    const size_t start = (phase + at) / size * size;
    return start > phase ? start - phase : 0;
  }
};

// A well-formed copy of a run damaged from limit on: the records that end at or before
// limit are kept; a container that reaches past it is kept, with its children that end
// before it, only when its type is in open_types; every other record reaching past limit
// is dropped whole. In an open group or drawing container the shapes after the damage
// come back too: from the first whole, well-formed shape after it, the records whose
// headers follow one another; where they break again (another unit of noise), the
// records reaching into that unit are dropped and the shapes take up again after it.
std::vector<uint8_t> KeepAroundDamage(std::span<const uint8_t> bytes, size_t limit,
                                      std::span<const uint16_t> open_types, DamageUnits units = {});

// The shapes of bytes[from, end) that a container whose own headers are lost still holds,
// as KeepAroundDamage takes them up after a damage: whole and well formed, one after
// another, those reaching into a unit where the headers break left out.
std::vector<uint8_t> WholeShapesIn(std::span<const uint8_t> bytes, size_t from, size_t end,
                                   DamageUnits units);

}  // namespace vlx
