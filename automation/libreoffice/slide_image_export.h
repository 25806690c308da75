#pragma once

#include <com/sun/star/lang/XComponent.hpp>
#include <string>

#include "automation/libreoffice/slide_image_size.h"
#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// Writes every slide as folder/Slide1.JPG, Slide2.JPG, ... creating the folder.
// Throws AutomationError when a slide cannot be written.
void ExportSlideImages(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::lang::XComponent>& document, const std::string& folder);

// Writes the document as a binary PowerPoint 97-2003 file; the document keeps its own
// location. Office errors pass through as css::uno::Exception.
void StoreAsPowerPoint97(const Reference<css::lang::XComponent>& document, const std::string& path);

}  // namespace vlx::lo
