#pragma once

#include "engine/job/recovery_job.h"
#include "engine/job/result_view.h"

namespace vlx::app {

class RecoveryView;

// The engine's ResultView on the window's three lists.
class WindowResultView : public ResultView {
 public:
  explicit WindowResultView(RecoveryView& view) : view_(view) {}

  // The run whose pictures arrive (the add-picture operation needs its environment).
  void set_environment(RunEnvironment* environment) { environment_ = environment; }

  int ItemCount(ResultList list) override;
  void AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                    const std::string& label) override;
  void AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                  const std::string& extension, const std::string& output_folder) override;

 private:
  RecoveryView& view_;
  RunEnvironment* environment_ = nullptr;
};

}  // namespace vlx::app
