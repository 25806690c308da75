#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vlx {

// The diagnostic trace file. Each Trace call is one open-append-close cycle that
// writes the text as UTF-16LE code units, without a byte-order mark.
class TraceLog {
 public:
  // Default location: the system temporary folder + "VlxPpt.log"; the environment
  // variable VLX_TRACE_LOG overrides it.
  static std::string DefaultPath();

  explicit TraceLog(std::string path = DefaultPath(), bool enabled = false);
  // A trace that writes nothing and holds its lines for PassOn: the trace of a stage
  // that runs ahead of its turn (see HeldReports).
  static TraceLog Held(bool enabled);

  const std::string& path() const { return path_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool on) { enabled_ = on; }

  // Appends the text (UTF-8 in, UTF-16LE out). Does not look at enabled().
  // Refuses (drops the line) when the path is a symlink or not a regular file of ours.
  void Trace(std::string_view text) const;

  // Writes "SUCC 0001\r\n" style checkpoint lines, only when enabled.
  void Checkpoint(int number) const;

  // Deletes the file (program start) when it is a trace: a regular file of this user
  // that is empty or holds UTF-16LE text of plain characters, as Trace writes. Any
  // other file at the path (a presentation, a document) is never removed.
  void Remove() const;

  // A held trace's lines appended to to, in order, and forgotten.
  void PassOn(const TraceLog& to) const;

  // "SUCC 0001\r\n" ... "SUCC 0099\r\n", "SUCC 00100\r\n" ...
  static std::string CheckpointText(int number);

 private:
  std::string path_;
  bool enabled_;
  std::shared_ptr<std::vector<std::string>> held_;  // set for a held trace
};

}  // namespace vlx
