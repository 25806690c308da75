#include <cmath>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/text/XText.hpp>

#include "automation/libreoffice/object_model.h"
#include "automation/libreoffice/slide_inserter.h"

namespace vlx::lo {

int ItemPosition(float index, int count, const char* what) {
  if (!std::isfinite(index)) throw office::AutomationError(std::string(what) + ": bad index");
  const long item = std::lround(index);
  if (item < 1 || item > count) {
    throw office::AutomationError(std::string(what) + ": index " + std::to_string(item) +
                                  " is out of range (" + std::to_string(count) + " items)");
  }
  return static_cast<int>(item - 1);
}

Reference<css::drawing::XDrawPages> LoSlides::Pages() const {
  return Reference<css::drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages();
}

int LoSlides::Count() {
  return session_->Call("Slides.Count", [&] { return static_cast<int>(Pages()->getCount()); });
}

std::shared_ptr<office::Slide> LoSlides::Add(int index, int layout) {
  auto page = session_->Call(
      "Slides.Add", [&] { return InsertSlide(session_->context(), document_, index, layout); });
  return std::make_shared<LoSlide>(session_, page);
}

std::shared_ptr<office::Slide> LoSlides::Item(float index) {
  auto page = session_->Call("Slides.Item", [&] {
    Reference<css::drawing::XDrawPages> pages = Pages();
    const int position = ItemPosition(index, pages->getCount(), "Slides.Item");
    return Reference<css::drawing::XDrawPage>(pages->getByIndex(position), UNO_QUERY_THROW);
  });
  return std::make_shared<LoSlide>(session_, page);
}

std::shared_ptr<office::Shapes> LoSlide::GetShapes() {
  return std::make_shared<LoShapes>(session_, page_);
}

std::shared_ptr<office::Shape> LoShapes::Item(float index) {
  auto shape = session_->Call("Shapes.Item", [&] {
    const int position = ItemPosition(index, page_->getCount(), "Shapes.Item");
    return Reference<css::drawing::XShape>(page_->getByIndex(position), UNO_QUERY_THROW);
  });
  return std::make_shared<LoShape>(session_, shape);
}

std::shared_ptr<office::TextFrame> LoShape::GetTextFrame() {
  return std::make_shared<LoTextFrame>(session_, shape_);
}

std::shared_ptr<office::TextRange> LoTextFrame::GetTextRange() {
  return std::make_shared<LoTextRange>(session_, shape_);
}

void LoTextRange::SetText(const std::string& text) {
  session_->Call("TextRange.Text", [&] {
    Reference<css::text::XText> frame(shape_, UNO_QUERY);
    if (!frame.is()) throw office::AutomationError("TextRange.Text: the shape holds no text");
    frame->setString(ToOUString(text));
  });
}

}  // namespace vlx::lo
