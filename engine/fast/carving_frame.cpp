#include "engine/fast/carving_frame.h"

#include <cstring>
#include <string>

#include "engine/fast/carve_output_file.h"
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

// The first 8 bytes at offset, tested in place when they are in the file; bytes past
// the end of the file read as zero.
const uint8_t* HeaderAt(DamagedFile& file, uint64_t offset, uint8_t (&spare)[8]) {
  size_t available = 0;
  const uint8_t* data = file.View(offset, sizeof spare, &available);
  if (available >= sizeof spare) return data;
  std::memset(spare, 0, sizeof spare);
  if (data != nullptr) std::memcpy(spare, data, available);
  return spare;
}

void CopyToEnd(DamagedFile& file, uint64_t hit, OutputFile& out, StepReporter* reporter) {
  const uint64_t length = file.GetLength();
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
    if (phase.on_block_taken != nullptr) phase.on_block_taken(block);
    out.Write(block, sizeof block);
  } else {
    CopyToEnd(file, hit, out, phase.report_while_copying ? &reporter : nullptr);
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
  for (uint64_t offset = 0; offset < limit; offset += phase.step) {
    if (job.StopRequested()) return false;
    reporter.Report(offset);
    uint8_t spare[8];
    const uint8_t* header = HeaderAt(file, offset, spare);
    if (phase.signature(header) && phase.length_test(HeaderLength(header), length))
      return HandleHit(job, file, phase, offset, workspace_usable, reporter);
  }
  return true;
}

}  // namespace vlx
