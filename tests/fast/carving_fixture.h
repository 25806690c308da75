#pragma once

// A damaged file made in a test: a byte image with record headers put at chosen
// offsets, written to disk and opened the way the driver opens it.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/testing/scripted_office.h"
#include "automation/testing/stub_image_toolkit.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

using Bytes = std::vector<unsigned char>;

// Bytes that never look like any header the carving passes test.
inline Bytes Filler(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(0x11 + i % 7);
  return bytes;
}

inline void PutHeader(Bytes& bytes, size_t at, uint16_t ver_inst, uint16_t type, uint32_t length) {
  const unsigned char header[8] = {
      static_cast<unsigned char>(ver_inst),     static_cast<unsigned char>(ver_inst >> 8),
      static_cast<unsigned char>(type),         static_cast<unsigned char>(type >> 8),
      static_cast<unsigned char>(length),       static_cast<unsigned char>(length >> 8),
      static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
  for (size_t i = 0; i < sizeof header && at + i < bytes.size(); ++i) bytes[at + i] = header[i];
}

inline void PutDocumentContainer(Bytes& bytes, size_t at, uint32_t length = 100) {
  PutHeader(bytes, at, 0x000F, 0x03E8, length);
}
inline void PutCurrentUserAtom(Bytes& bytes, size_t at) {
  PutHeader(bytes, at, 0x0000, 0x0FF6, 20);
}
inline void PutPictureRecord(Bytes& bytes, size_t at, uint16_t ver_inst = 0x46A0,
                             uint32_t length = 100) {
  PutHeader(bytes, at, ver_inst, 0xF01D, length);
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + static_cast<long>(from),
               bytes.begin() + static_cast<long>(from + count));
}

// One fast-mode run in a fresh folder: workspace "w/", output folder "out/", a recording
// sink and view, the stub picture toolkit and the scripted office.
struct CarvingRun {
  TempDir dir;
  RecordingSink sink;
  TraceLog trace{dir.File("trace.log"), false};
  StopFlag stop{false};
  Workspace workspace = Workspace::At(dir.File("w"));
  RecordingView view;
  StubImageToolkit images;
  ScriptedOffice office;
  RunEnvironment env{sink,   trace,   stop,    workspace,        view,
                     images, &office, nullptr, dir.File("out/"), "Rec"};
  RecoveryJob job{env};

  CarvingRun() {
    workspace.Create();
    ::mkdir(env.output_folder.c_str(), 0700);
  }

  std::string W(const std::string& name) const { return workspace.File(name); }
  std::unique_ptr<DamagedFile> Damaged(const Bytes& bytes) {
    return DamagedFile::Open(dir.Write("damaged.ppt", bytes));
  }
  bool Exists(const std::string& name) const { return ::access(W(name).c_str(), F_OK) == 0; }
  Bytes Carved(const std::string& name) const { return ReadAll(W(name)); }
};

}  // namespace vlx::testing
