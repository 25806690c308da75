#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// A baseline JPEG whose coded data lost bytes, with the blocks after the loss read again: the
// coded data is taken up at a damage-block start past the loss, where the codes fall into
// step whatever bit they are read from, and read to the end-of-image marker; the blocks that
// leaves out are placed from the end of the picture. Between the blocks kept and those read
// again, the lost ones are drawn flat in the colour of the last block kept, and the blocks
// read again go on from that colour. In exactly `room` bytes (zeros after the end marker).
//
// `data_start` is where the scan's coded data begins, `cut` the byte before which the coded
// data is the picture's own, `phase` where the picture's first byte falls in a damage block.
// nullopt for a picture that is not one baseline or extended sequential scan with Huffman
// codes (progressive, with restart intervals, or non-interleaved with several components),
// when no place past the loss is read in step to the end marker, or when the result does not
// fit in `room`.
std::optional<std::vector<uint8_t>> ResumeJpegScan(std::span<const uint8_t> jpeg, size_t data_start,
                                                   size_t cut, size_t phase, size_t room);

// Where the codes of a sequential picture's scan (coded data from `data_start` to its end
// marker at `data_end`) stop making MCUs before the picture has all of them: damage that
// left no marker. nullopt when they make every MCU, or when the scan is not one this reads.
std::optional<size_t> JpegScanFailsAt(std::span<const uint8_t> jpeg, size_t data_start,
                                      size_t data_end);

}  // namespace vlx
