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

// The end of the offsets below limit that have their whole header in the chunk.
uint64_t WholeHeadersEnd(uint64_t limit, uint64_t chunk_start, size_t available) {
  return available >= kHeaderSize ? std::min(limit, chunk_start + available - kHeaderSize + 1) : 0;
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

CarvingSearch::CarvingSearch(const DamagedFile& file, std::vector<const CarvingPhase*> phases)
    : length_(file.GetLength()) {
  for (const CarvingPhase* phase : phases) {
    const uint64_t limit = length_ > phase->tail_skip ? length_ - phase->tail_skip : 0;
    cursors_.push_back(Cursor{phase, HeaderSignature(phase->signature), limit, 0, std::nullopt});
  }
}

bool CarvingSearch::IsCandidate(const Cursor& cursor, const uint8_t* header) const {
  return cursor.signature.Matches(LoadU32(header)) &&
         cursor.phase->length_test(LoadU32(header + 4), length_);
}

void CarvingSearch::SearchIn(Cursor& cursor, const uint8_t* chunk, uint64_t chunk_start,
                             size_t available, uint64_t end) const {
  end = std::min(end, WholeHeadersEnd(cursor.limit, chunk_start, available));
  if (cursor.hit || cursor.offset < chunk_start || cursor.offset >= end) return;
  const size_t step = static_cast<size_t>(cursor.phase->step);
  uint64_t next = cursor.offset;
  for (;;) {
    next =
        chunk_start + cursor.signature.NextPossible(chunk, static_cast<size_t>(next - chunk_start),
                                                    static_cast<size_t>(end - chunk_start), step);
    if (next >= end) break;
    if (IsCandidate(cursor, chunk + (next - chunk_start))) {
      cursor.hit = next;
      break;
    }
    next += step;
  }
  cursor.offset = next;
}

void CarvingSearch::SearchLaterPasses(DamagedFile& file, size_t index, const uint8_t* chunk,
                                      uint64_t chunk_start, size_t available) {
  const uint64_t chunk_end = chunk_start + available;
  auto in_chunk = [&](const Cursor& later) {
    return later.Searching() && later.offset >= chunk_start && later.offset < chunk_end;
  };
  for (size_t i = index + 1; i < cursors_.size(); ++i)
    if (in_chunk(cursors_[i])) SearchIn(cursors_[i], chunk, chunk_start, available, chunk_end);
  // The headers the chunk's end cuts, read on their own: after every pass is done with
  // the chunk, whose bytes such a read may move.
  for (size_t i = index + 1; i < cursors_.size(); ++i) {
    Cursor& later = cursors_[i];
    while (in_chunk(later)) {
      uint8_t spare[kHeaderSize];
      if (IsCandidate(later, HeaderAt(file, later.offset, spare)))
        later.hit = later.offset;
      else
        later.offset += later.phase->step;
    }
  }
}

bool CarvingSearch::Run(RecoveryJob& job, DamagedFile& file, size_t index) {
  Cursor& cursor = cursors_[index];
  const CarvingPhase& phase = *cursor.phase;
  job.sink().AppendLog(" Analyzing Phase " + std::to_string(phase.number) + "... \r\n");
  const bool workspace_usable = job.workspace().Create();
  const uint64_t step = phase.step;
  StepReporter reporter(job.sink(), length_, step);
  // What the passes before this one found of its search is shown as reached at once.
  // A stop is seen before any of it is shown, as at the first stretch of a search.
  if ((cursor.hit || cursor.offset > 0) && job.StopRequested()) return false;
  if (cursor.hit) {
    reporter.ReportSteps(0, *cursor.hit + 1);
    return HandleHit(job, file, phase, *cursor.hit, workspace_usable, reporter);
  }
  reporter.ReportSteps(0, cursor.offset);
  // Offsets are tested in place in chunks of the file's read window, a stretch of them
  // between two looks at the stop flag: the first byte rules most of them out, and the
  // stretch up to a candidate is reported at once. Only a header cut by the end of a
  // chunk goes through the zero-filling single read.
  uint64_t& offset = cursor.offset;
  while (offset < cursor.limit) {
    size_t available = 0;
    const uint8_t* chunk = file.View(offset, kScanChunk, &available);
    const uint64_t chunk_start = offset;
    const uint64_t chunk_end = chunk_start + available;
    const uint64_t whole_end = WholeHeadersEnd(cursor.limit, chunk_start, available);
    while (offset < whole_end) {
      if (job.StopRequested()) return false;
      const uint64_t from = offset;
      SearchIn(cursor, chunk, chunk_start, available, std::min(whole_end, offset + kStopPollBytes));
      if (cursor.hit) {
        reporter.ReportSteps(from, *cursor.hit + 1);
        return HandleHit(job, file, phase, *cursor.hit, workspace_usable, reporter);
      }
      reporter.ReportSteps(from, offset);
    }
    SearchLaterPasses(file, index, chunk, chunk_start, available);
    // An offset at or past the chunk's end begins the next chunk; only a header the
    // chunk's end cuts is read on its own.
    if (offset >= cursor.limit || (available > 0 && offset >= chunk_end)) continue;
    if (job.StopRequested()) return false;
    reporter.Report(offset);
    uint8_t spare[kHeaderSize];
    if (IsCandidate(cursor, HeaderAt(file, offset, spare))) {
      cursor.hit = offset;
      return HandleHit(job, file, phase, offset, workspace_usable, reporter);
    }
    offset += step;
  }
  return true;
}

bool RunCarvingPhase(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase) {
  CarvingSearch search(file, {&phase});
  return search.Run(job, file, 0);
}

}  // namespace vlx
