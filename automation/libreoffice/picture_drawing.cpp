#include "automation/libreoffice/picture_drawing.h"

#include <algorithm>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <filesystem>

#include "engine/office/office_api.h"

namespace vlx::lo {
namespace {

struct Pixels {
  sal_Int32 width;
  sal_Int32 height;
};

// The size the picture is drawn at: its longer side size pixels, the other in
// proportion (a square where the picture names no size of its own).
Pixels DrawnSize(const Reference<css::graphic::XGraphic>& graphic, int size) {
  css::awt::Size natural;
  Reference<css::beans::XPropertySet> properties(graphic, UNO_QUERY);
  if (properties.is()) properties->getPropertyValue("Size100thMM") >>= natural;
  if (natural.Width <= 0 || natural.Height <= 0) return {size, size};
  const double longer = std::max(natural.Width, natural.Height);
  return {std::max<sal_Int32>(1, static_cast<sal_Int32>(size * natural.Width / longer)),
          std::max<sal_Int32>(1, static_cast<sal_Int32>(size * natural.Height / longer))};
}

}  // namespace

void DrawPictureAsPng(const Reference<css::uno::XComponentContext>& context,
                      const std::string& picture_path, const std::string& png_path, int size) {
  Reference<css::graphic::XGraphicProvider> provider =
      css::graphic::GraphicProvider::create(context);
  Reference<css::graphic::XGraphic> graphic = provider->queryGraphic(
      SequenceOf<css::beans::PropertyValue>({Property("URL", Any(FileUrl(picture_path)))}));
  if (!graphic.is()) throw office::AutomationError("the office cannot read " + picture_path);
  const Pixels drawn = DrawnSize(graphic, size);
  auto filter_data = SequenceOf<css::beans::PropertyValue>(
      {Property("PixelWidth", Any(drawn.width)), Property("PixelHeight", Any(drawn.height))});
  provider->storeGraphic(graphic, SequenceOf<css::beans::PropertyValue>(
                                      {Property("URL", Any(FileUrl(png_path))),
                                       Property("MimeType", Any(OUString("image/png"))),
                                       Property("FilterData", Any(filter_data))}));
  std::error_code error;
  if (!std::filesystem::is_regular_file(png_path, error) ||
      std::filesystem::file_size(png_path, error) == 0)
    throw office::AutomationError("the office could not write " + png_path);
}

}  // namespace vlx::lo
