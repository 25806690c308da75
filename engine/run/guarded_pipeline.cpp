#include "engine/run/guarded_pipeline.h"

#include <exception>
#include <string>

namespace vlx {

std::string RunGuarded(RecoveryJob& job, const std::function<void()>& part) {
  std::string why;
  try {
    part();
    return "";
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "unknown error";
  }
  job.sink().AppendLog(std::string(kReadFailureLog) + why + "\r\n");
  // Whatever the failed stage left behind goes with the workspace; the office it held
  // is let go.
  job.held_application.reset();
  return why.empty() ? "unknown error" : why;
}

bool RunPipelineGuarded(RecoveryJob& job, DamagedFile& file, const Pipeline& pipeline) {
  return RunGuarded(job, [&] { pipeline(job, file); }).empty();
}

}  // namespace vlx
