#pragma once

// The office object model served by LibreOffice. Every object keeps the session it
// came from; every office call runs through OfficeSession::Call.

#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <memory>
#include <string>

#include "automation/libreoffice/office_session.h"
#include "engine/office/office_api.h"

namespace vlx::lo {

using SessionPtr = std::shared_ptr<OfficeSession>;

// 0-based position of a 1-based object-model index; throws AutomationError when it
// names no item of `count`.
int ItemPosition(float index, int count, const char* what);

class LoApplication : public office::Application {
 public:
  explicit LoApplication(SessionPtr session) : session_(std::move(session)) {}
  std::shared_ptr<office::Presentations> GetPresentations() override;
  std::string Version() override;
  void Quit() override;
  void RenderPicture(const std::string& picture_path, const std::string& png_path,
                     int size) override;

 private:
  SessionPtr session_;
};

class LoPresentations : public office::Presentations {
 public:
  explicit LoPresentations(SessionPtr session) : session_(std::move(session)) {}
  std::shared_ptr<office::Presentation> Open(const std::string& file_name, int read_only,
                                             int untitled, int with_window) override;

 private:
  SessionPtr session_;
};

class LoPresentation : public office::Presentation {
 public:
  LoPresentation(SessionPtr session, Reference<css::lang::XComponent> document)
      : session_(std::move(session)), document_(std::move(document)) {}
  std::shared_ptr<office::Slides> GetSlides() override;
  void SaveAs(const std::string& file_name, int file_format, int embed_fonts) override;
  void Close() override;
  void SetDisplayComments(int value) override;

 private:
  void CheckOpen(const char* what) const;

  SessionPtr session_;
  Reference<css::lang::XComponent> document_;
  bool closed_ = false;
};

class LoSlides : public office::Slides {
 public:
  LoSlides(SessionPtr session, Reference<css::lang::XComponent> document)
      : session_(std::move(session)), document_(std::move(document)) {}
  int Count() override;
  std::shared_ptr<office::Slide> Add(int index, int layout) override;
  std::shared_ptr<office::Slide> Item(float index) override;

 private:
  Reference<css::drawing::XDrawPages> Pages() const;

  SessionPtr session_;
  Reference<css::lang::XComponent> document_;
};

class LoSlide : public office::Slide {
 public:
  LoSlide(SessionPtr session, Reference<css::drawing::XDrawPage> page)
      : session_(std::move(session)), page_(std::move(page)) {}
  std::shared_ptr<office::Shapes> GetShapes() override;

 private:
  SessionPtr session_;
  Reference<css::drawing::XDrawPage> page_;
};

class LoShapes : public office::Shapes {
 public:
  LoShapes(SessionPtr session, Reference<css::drawing::XDrawPage> page)
      : session_(std::move(session)), page_(std::move(page)) {}
  std::shared_ptr<office::Shape> Item(float index) override;

 private:
  SessionPtr session_;
  Reference<css::drawing::XDrawPage> page_;
};

// Shape, TextFrame and TextRange all stand for the same office shape.
class LoShape : public office::Shape {
 public:
  LoShape(SessionPtr session, Reference<css::drawing::XShape> shape)
      : session_(std::move(session)), shape_(std::move(shape)) {}
  std::shared_ptr<office::TextFrame> GetTextFrame() override;

 private:
  SessionPtr session_;
  Reference<css::drawing::XShape> shape_;
};

class LoTextFrame : public office::TextFrame {
 public:
  LoTextFrame(SessionPtr session, Reference<css::drawing::XShape> shape)
      : session_(std::move(session)), shape_(std::move(shape)) {}
  std::shared_ptr<office::TextRange> GetTextRange() override;

 private:
  SessionPtr session_;
  Reference<css::drawing::XShape> shape_;
};

class LoTextRange : public office::TextRange {
 public:
  LoTextRange(SessionPtr session, Reference<css::drawing::XShape> shape)
      : session_(std::move(session)), shape_(std::move(shape)) {}
  void SetText(const std::string& text) override;

 private:
  SessionPtr session_;
  Reference<css::drawing::XShape> shape_;
};

}  // namespace vlx::lo
