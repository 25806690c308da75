#include "engine/run/guarded_pipeline.h"

#include <exception>
#include <string>

namespace vlx {

bool RunPipelineGuarded(RecoveryJob& job, DamagedFile& file, const Pipeline& pipeline) {
  try {
    pipeline(job, file);
    return true;
  } catch (const std::exception& e) {
    job.sink().AppendLog(std::string(kReadFailureLog) + e.what() + "\r\n");
  } catch (...) {
    job.sink().AppendLog(std::string(kReadFailureLog) + "unknown error\r\n");
  }
  // Whatever the failed stage left behind goes with the workspace; the office it held
  // is let go.
  job.held_application.reset();
  return false;
}

}  // namespace vlx
