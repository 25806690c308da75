#include "engine/fast/carving_frame.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/fast/carve_output_file.h"
#include "engine/fast/step_reporter.h"
#include "engine/format/byte_order.h"
#include "engine/job/messages.h"

namespace vlx {
namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kScanChunk = 64 * 1024;
// The stop flag is looked at before each stretch of this many bytes of tested offsets.
constexpr uint64_t kStopPollBytes = 4096;

bool IsCandidate(const CarvingPhase& phase, const HeaderSignature& signature, const uint8_t* header,
                 uint64_t file_length) {
  return signature.Matches(LoadU32(header)) && phase.length_test(LoadU32(header + 4), file_length);
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
  const uint64_t step = phase.step;
  const HeaderSignature signature(phase.signature);
  StepReporter reporter(job.sink(), length, step);
  // Offsets are tested in place in chunks of the file's read window, a stretch of them
  // between two looks at the stop flag: the first byte rules most of them out, and the
  // stretch up to a candidate is reported at once. Only a header cut by the end of a
  // chunk goes through the zero-filling single read.
  for (uint64_t offset = 0; offset < limit;) {
    size_t available = 0;
    const uint8_t* chunk = file.View(offset, kScanChunk, &available);
    const uint64_t chunk_start = offset;
    // Offsets below this have their whole header in the chunk.
    const uint64_t whole_end =
        available >= kHeaderSize ? std::min(limit, chunk_start + available - kHeaderSize + 1) : 0;
    while (offset < whole_end) {
      if (job.StopRequested()) return false;
      const uint64_t stretch_end = std::min(whole_end, offset + kStopPollBytes);
      uint64_t next = offset;
      for (;;) {
        next = chunk_start + signature.NextPossible(chunk, static_cast<size_t>(next - chunk_start),
                                                    static_cast<size_t>(stretch_end - chunk_start),
                                                    static_cast<size_t>(step));
        if (next >= stretch_end) break;
        if (IsCandidate(phase, signature, chunk + (next - chunk_start), length)) {
          reporter.ReportSteps(offset, next + 1);
          return HandleHit(job, file, phase, next, workspace_usable, reporter);
        }
        next += step;
      }
      reporter.ReportSteps(offset, next);
      offset = next;
    }
    // An offset at or past the chunk's end begins the next chunk; only a header the
    // chunk's end cuts is read on its own.
    if (offset >= limit || (available > 0 && offset >= chunk_start + available)) continue;
    if (job.StopRequested()) return false;
    reporter.Report(offset);
    uint8_t spare[kHeaderSize];
    if (IsCandidate(phase, signature, HeaderAt(file, offset, spare), length))
      return HandleHit(job, file, phase, offset, workspace_usable, reporter);
    offset += step;
  }
  return true;
}

}  // namespace vlx
