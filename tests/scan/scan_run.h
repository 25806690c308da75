#pragma once

// One scan in a fresh folder: a workspace, a recording sink and view, a trace file
// that is switched on, and the damaged file written from a byte image.

#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

using Bytes = std::vector<unsigned char>;

// Bytes that none of the scans takes for part of a header they want.
inline Bytes Filler(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(0x11 + i % 7);
  return bytes;
}

// Writes a record header at `at` (cut off at the end of bytes).
inline void PutHeader(Bytes& bytes, size_t at, uint16_t ver_inst, uint16_t type, uint32_t length) {
  const uint8_t header[8] = {
      static_cast<uint8_t>(ver_inst),     static_cast<uint8_t>(ver_inst >> 8),
      static_cast<uint8_t>(type),         static_cast<uint8_t>(type >> 8),
      static_cast<uint8_t>(length),       static_cast<uint8_t>(length >> 8),
      static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  for (size_t i = 0; i < sizeof header && at + i < bytes.size(); ++i) bytes[at + i] = header[i];
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + static_cast<long>(from),
               bytes.begin() + static_cast<long>(from + count));
}

// The engine needs no picture work from the scans.
class NoImages : public ImageToolkit {
 public:
  std::optional<Bitmap> MakeThumbnail(const std::string&, int, int) override { return {}; }
  bool ConvertToJpeg(const std::string&, const std::string&) override { return false; }
  bool SaveJpeg(const Bitmap&, const std::string&) override { return false; }
  Bitmap StockBitmap() override { return {}; }
  Bitmap PlaceholderBitmap() override { return {}; }
};

struct ScanRun {
  TempDir dir;
  RecordingSink sink;
  TraceLog trace{dir.File("trace.log"), true};
  StopFlag stop{false};
  vlx::Workspace workspace = vlx::Workspace::At(dir.File("w"));
  RecordingView view;
  NoImages images;
  RunEnvironment env{sink,   trace,   stop,    workspace,        view,
                     images, nullptr, nullptr, dir.File("out/"), "Rec"};
  RecoveryJob job{env};

  ScanRun() { workspace.Create(); }

  std::string W(const std::string& name) const { return workspace.File(name); }
  std::unique_ptr<DamagedFile> Damaged(const Bytes& bytes) {
    return DamagedFile::Open(dir.Write("damaged.ppt", bytes));
  }
  bool Exists(const std::string& name) const { return ::access(W(name).c_str(), F_OK) == 0; }
  Bytes Workspace(const std::string& name) const { return ReadAll(W(name)); }

  // Checkpoint numbers written to the trace file (UTF-16LE), in order.
  std::vector<int> Checkpoints() const {
    std::string ascii;
    const auto bytes = ReadAll(trace.path());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
    std::vector<int> numbers;
    for (size_t at = 0; (at = ascii.find("SUCC ", at)) != std::string::npos; at += 5)
      numbers.push_back(std::stoi(ascii.substr(at + 5)));
    return numbers;
  }
};

}  // namespace vlx::testing
