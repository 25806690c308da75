#pragma once

#include <cstdint>
#include <span>

namespace vlx {

// True when bytes hold one or more whole records one after another, and every
// container among them (version 0xF) is filled exactly by its children, down to the
// atoms. A record cut short or a length that overruns its container fails.
bool IsWellFormedRecordRun(std::span<const uint8_t> bytes);

}  // namespace vlx
