#include "engine/fast/carving_frame.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/fast/carve_output_file.h"
#include "engine/format/byte_order.h"
#include "engine/job/messages.h"

namespace vlx {
namespace {

// The per-step report of a pass: SetProgress on every step, SetCounter at offsets that
// are multiples of 600. The percentage is kept incrementally, so a step costs a compare
// instead of a 64-bit division.
class StepReporter {
 public:
  StepReporter(ProgressSink& sink, uint64_t length) : sink_(sink), length_(length) {}

  void Report(uint64_t offset) {
    if (offset >= next_percent_at_) Recompute(offset);
    sink_.SetProgress(percent_);
    if (offset % 600 == 0) sink_.SetCounter(CounterText(offset, length_));
  }

 private:
  void Recompute(uint64_t offset) {
    percent_ = Percent(offset, length_);
    // Smallest offset whose percentage is larger: ceil((percent + 1) * length / 100).
    next_percent_at_ = (static_cast<uint64_t>(percent_ + 1) * length_ + 99) / 100;
  }

  ProgressSink& sink_;
  uint64_t length_;
  uint64_t next_percent_at_ = 0;
  int percent_ = 0;
};

constexpr size_t kHeaderSize = 8;
constexpr size_t kScanChunk = 64 * 1024;

bool IsCandidate(const CarvingPhase& phase, const uint8_t* header, uint64_t file_length) {
  const uint32_t start = LoadU32(header);
  for (const HeaderPattern& pattern : phase.signature)
    if ((start & pattern.mask) == pattern.bits)
      return phase.length_test(LoadU32(header + 4), file_length);
  return false;
}

// The first 8 bytes at offset, read whole; bytes past the end of the file read as zero.
const uint8_t* HeaderAt(DamagedFile& file, uint64_t offset, uint8_t (&spare)[kHeaderSize]) {
  size_t available = 0;
  const uint8_t* data = file.View(offset, sizeof spare, &available);
  if (available >= sizeof spare) return data;
  std::memset(spare, 0, sizeof spare);
  if (data != nullptr) std::memcpy(spare, data, available);
  return spare;
}

void CopyToEnd(DamagedFile& file, uint64_t hit, uint64_t end, OutputFile& out,
               StepReporter* reporter) {
  const uint64_t length = end;
  for (uint64_t position = hit; position < length; position += kCarveBlockSize) {
    if (reporter != nullptr) reporter->Report(position);
    uint8_t block[kCarveBlockSize];
    const uint64_t left = length - position;
    const size_t wanted = left < kCarveBlockSize ? static_cast<size_t>(left) : kCarveBlockSize;
    const size_t got = file.ReadAt(position, block, wanted);
    out.Write(block, got);
    if (got < wanted) break;  // the file shrank under us; Close reports the short copy
  }
}

bool HandleHit(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase, uint64_t hit,
               bool workspace_usable, StepReporter& reporter) {
  const std::string target = job.workspace().File(phase.file_name);
  OutputFile out;
  if (!workspace_usable || !out.Create(target)) {
    ShowCriticalError(job.sink(), phase.error_code);
    return false;
  }
  if (phase.hit == CarveHit::kTakeBlock) {
    uint8_t block[kCarveBlockSize];
    file.ReadAt(hit, block, sizeof block);
    if (phase.on_block_taken != nullptr) phase.on_block_taken(job, block);
    out.Write(block, sizeof block);
  } else {
    if (phase.on_stream_found != nullptr) phase.on_stream_found(job, hit);
    uint64_t end = file.GetLength();
    // A stream whose records run past the end of the file (cut short) is copied whole.
    const uint64_t own = phase.stream_length != nullptr ? phase.stream_length(file, hit) : 0;
    if (own > 0) end = std::min(end, hit + own);
    CopyToEnd(file, hit, end, out, phase.report_while_copying ? &reporter : nullptr);
  }
  if (out.Close()) return true;
  job.sink().AppendLog("Cannot write " + out.error() + "\r\n");
  return false;
}

}  // namespace

bool RunCarvingPhase(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase) {
  job.sink().AppendLog(" Analyzing Phase " + std::to_string(phase.number) + "... \r\n");
  const bool workspace_usable = job.workspace().Create();
  const uint64_t length = file.GetLength();
  const uint64_t limit = length > phase.tail_skip ? length - phase.tail_skip : 0;
  StepReporter reporter(job.sink(), length);
  // Offsets are tested in place in chunks of the file's read window; only a header cut
  // by the end of a chunk goes through the zero-filling single read.
  for (uint64_t offset = 0; offset < limit;) {
    size_t available = 0;
    const uint8_t* chunk = file.View(offset, kScanChunk, &available);
    const uint64_t chunk_start = offset;
    const uint64_t whole_headers_end =
        chunk_start + available;  // header fits when offset + 8 <= this
    for (; offset < limit && offset + kHeaderSize <= whole_headers_end; offset += phase.step) {
      if (job.StopRequested()) return false;
      reporter.Report(offset);
      const uint8_t* header = chunk + (offset - chunk_start);
      if (IsCandidate(phase, header, length))
        return HandleHit(job, file, phase, offset, workspace_usable, reporter);
    }
    if (offset >= limit || offset + kHeaderSize <= whole_headers_end) continue;
    if (job.StopRequested()) return false;
    reporter.Report(offset);
    uint8_t spare[kHeaderSize];
    if (IsCandidate(phase, HeaderAt(file, offset, spare), length))
      return HandleHit(job, file, phase, offset, workspace_usable, reporter);
    offset += phase.step;
  }
  return true;
}

}  // namespace vlx
