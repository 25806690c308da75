#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vlx {

// The shapes left of a slide whose first records (its header, its atom, the headers of
// its drawing) are noise: the whole shapes found in stream[offset, end), where the slide
// lay, that stand on the slide by an anchor of their own (tables, pictures, text boxes,
// groups of them). Shapes showing a text of the slide list are left out: the stand-in
// shows those texts.
// The bytes, record after record, empty when none is left.
std::vector<uint8_t> LooseSlideShapes(std::span<const uint8_t> stream, size_t offset, size_t end);

// The slide with shapes (whole records) added at the end of its drawing's top group,
// each container's length grown by theirs. The slide as it was when it has no such
// group or the lengths would overflow.
std::vector<uint8_t> WithShapesAdded(std::span<const uint8_t> slide,
                                     std::span<const uint8_t> shapes);

}  // namespace vlx
