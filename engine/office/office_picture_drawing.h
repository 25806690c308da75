#pragma once

#include <memory>

#include "engine/office/office_api.h"
#include "engine/scan/picture_report.h"

namespace vlx {

class RecoveryJob;

// Draws pictures through one office for the whole picture pass of a run: the office the
// run holds, or one started at the first picture and ended with this object. An office
// that cannot be started, or that failed to draw once, is not asked again: the pictures
// after it keep their placeholders.
class OfficePictureDrawing : public PictureDrawing {
 public:
  explicit OfficePictureDrawing(RecoveryJob& job) : job_(job) {}
  ~OfficePictureDrawing() override;
  OfficePictureDrawing(const OfficePictureDrawing&) = delete;
  OfficePictureDrawing& operator=(const OfficePictureDrawing&) = delete;

  bool Draw(const std::string& picture_path, const std::string& image_path, int size) override;

 private:
  office::Application* Office();

  RecoveryJob& job_;
  std::shared_ptr<office::Application> started_;  // ours to end
  bool given_up_ = false;
};

}  // namespace vlx
