#pragma once

#include <string>
#include <vector>

namespace vlx::testing {

// A valid baseline JPEG of 40 x 30 pixels (a 4:3 picture) in one solid blue,
// RGB(40, 110, 190) before compression.
const std::vector<unsigned char>& SmallJpegBytes();

inline constexpr int kSmallJpegWidth = 40;
inline constexpr int kSmallJpegHeight = 30;

// Writes SmallJpegBytes() to path; false when the file cannot be written.
bool WriteSmallJpeg(const std::string& path);

}  // namespace vlx::testing
