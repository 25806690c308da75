#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>

#include "automation/libreoffice/object_model.h"
#include "automation/libreoffice/slide_image_export.h"

namespace vlx::lo {

void LoPresentation::CheckOpen(const char* what) const {
  if (closed_) throw office::AutomationError(std::string(what) + ": the presentation is closed");
}

std::shared_ptr<office::Slides> LoPresentation::GetSlides() {
  CheckOpen("Presentation.Slides");
  return std::make_shared<LoSlides>(session_, document_);
}

void LoPresentation::SaveAs(const std::string& file_name, int file_format, int /*embed_fonts*/) {
  CheckOpen("Presentation.SaveAs");
  if (file_format == office::kFormatJpeg) {
    session_->Call("Presentation.SaveAs",
                   [&] { ExportSlideImages(session_->context(), document_, file_name); });
  } else if (file_format == office::kFormatDefault) {
    session_->Call("Presentation.SaveAs", [&] { StoreAsPowerPoint97(document_, file_name); });
  } else {
    throw office::AutomationError("Presentation.SaveAs: file format " +
                                  std::to_string(file_format) + " is not supported");
  }
}

void LoPresentation::Close() {
  CheckOpen("Presentation.Close");
  closed_ = true;
  session_->Call("Presentation.Close", [&] {
    session_->Forget(document_);
    CloseDocument(document_);
  });
}

void LoPresentation::SetDisplayComments(int /*value*/) {
  // Comments never show in exported slide images; the setting has nothing to change.
  CheckOpen("Presentation.DisplayComments");
}

}  // namespace vlx::lo
