#include "automation/libreoffice/object_model.h"
#include "automation/libreoffice/picture_drawing.h"
#include "automation/libreoffice/presentation_loader.h"

namespace vlx::lo {
namespace {

// The object-model level served. Never the office's own build number: callers read a
// '8' in it as a server that cannot export slide images.
constexpr const char* kObjectModelVersion = "12.0";

}  // namespace

std::shared_ptr<office::Application> MakeApplication(std::shared_ptr<OfficeSession> session) {
  return std::make_shared<LoApplication>(std::move(session));
}

std::shared_ptr<office::Presentations> LoApplication::GetPresentations() {
  return std::make_shared<LoPresentations>(session_);
}

std::string LoApplication::Version() {
  return kObjectModelVersion;
}

void LoApplication::RenderPicture(const std::string& picture_path, const std::string& png_path,
                                  int size) {
  session_->Call("Application.RenderPicture",
                 [&] { DrawPictureAsPng(session_->context(), picture_path, png_path, size); });
}

void LoApplication::Quit() {
  session_->Quit();
}

std::shared_ptr<office::Presentation> LoPresentations::Open(const std::string& file_name,
                                                            int read_only, int /*untitled*/,
                                                            int /*with_window*/) {
  Reference<css::lang::XComponent> document = session_->Call("Presentations.Open", [&] {
    Reference<css::lang::XComponent> loaded =
        LoadPresentation(session_->desktop(), file_name, read_only != 0);
    session_->Adopt(loaded);
    return loaded;
  });
  return std::make_shared<LoPresentation>(session_, document);
}

}  // namespace vlx::lo
