#pragma once

#include <string>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// Reads a picture file with the office's graphic filters (metafiles too) and writes it
// as a PNG whose longer side is size pixels, its proportions kept. Throws
// AutomationError when the office cannot read or write it.
void DrawPictureAsPng(const Reference<css::uno::XComponentContext>& context,
                      const std::string& picture_path, const std::string& png_path, int size);

}  // namespace vlx::lo
