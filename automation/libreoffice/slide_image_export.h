#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <string>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// Pixel size of a slide image at 96 dpi (a 254 x 190.5 mm slide gives 960 x 720), from
// the page size in 1/100 mm; the aspect is kept and each side stays within 16..4096.
struct PixelSize {
  int width = 0;
  int height = 0;
};
PixelSize SlideImageSize(int page_width, int page_height);

// Writes every slide as folder/Slide1.JPG, Slide2.JPG, ... creating the folder.
// Throws AutomationError when a slide cannot be written.
void ExportSlideImages(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::lang::XComponent>& document,
                       const std::string& folder);

// Writes the document as a binary PowerPoint 97-2003 file; the document keeps its own
// location. Office errors pass through as css::uno::Exception.
void StoreAsPowerPoint97(const Reference<css::lang::XComponent>& document,
                         const std::string& path);

}  // namespace vlx::lo
