#include "engine/office/office_picture_drawing.h"

#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"

namespace vlx {

OfficePictureDrawing::~OfficePictureDrawing() {
  QuitIgnoringErrors(started_.get());
}

office::Application* OfficePictureDrawing::Office() {
  if (given_up_ || job_.StopRequested()) return nullptr;
  if (job_.held_application) return job_.held_application.get();
  if (!started_) started_ = StartOffice(job_);
  if (!started_) given_up_ = true;
  return started_.get();
}

bool OfficePictureDrawing::Draw(const std::string& picture_path, const std::string& image_path,
                                int size) {
  office::Application* office = Office();
  if (office == nullptr) return false;
  try {
    office->RenderPicture(picture_path, image_path, size);
    return true;
  } catch (const office::AutomationError&) {
    // An office that cannot draw one picture is not asked again: one that cannot draw
    // at all, or has stopped answering, would fail (or wait) for every picture after.
    given_up_ = true;
    return false;
  }
}

}  // namespace vlx
