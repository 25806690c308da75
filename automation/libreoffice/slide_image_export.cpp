#include "automation/libreoffice/slide_image_export.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <filesystem>

#include "engine/office/office_api.h"

namespace vlx::lo {
namespace {

constexpr int kJpegQuality = 90;

}  // namespace

void ExportSlideImages(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::lang::XComponent>& document,
                       const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder)) {
    throw office::AutomationError("cannot create the folder " + folder);
  }
  Reference<css::drawing::XDrawPages> pages =
      Reference<css::drawing::XDrawPagesSupplier>(document, UNO_QUERY_THROW)->getDrawPages();
  Reference<css::drawing::XGraphicExportFilter> filter =
      css::drawing::GraphicExportFilter::create(context);
  const sal_Int32 count = pages->getCount();
  for (sal_Int32 i = 0; i < count; ++i) {
    Reference<css::drawing::XDrawPage> page(pages->getByIndex(i), UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> properties(page, UNO_QUERY_THROW);
    sal_Int32 width = 0;
    sal_Int32 height = 0;
    properties->getPropertyValue("Width") >>= width;
    properties->getPropertyValue("Height") >>= height;
    const PixelSize size = SlideImageSize(width, height);
    const std::string file =
        (std::filesystem::path(folder) / ("Slide" + std::to_string(i + 1) + ".JPG")).string();
    auto filter_data =
        SequenceOf<css::beans::PropertyValue>({Property("PixelWidth", Any(sal_Int32(size.width))),
                                               Property("PixelHeight", Any(sal_Int32(size.height))),
                                               Property("Quality", Any(sal_Int32(kJpegQuality)))});
    auto descriptor = SequenceOf<css::beans::PropertyValue>(
        {Property("URL", Any(FileUrl(file))), Property("MediaType", Any(OUString("image/jpeg"))),
         Property("FilterData", Any(filter_data))});
    Reference<css::document::XExporter>(filter, UNO_QUERY_THROW)
        ->setSourceDocument(Reference<css::lang::XComponent>(page, UNO_QUERY_THROW));
    if (!Reference<css::document::XFilter>(filter, UNO_QUERY_THROW)->filter(descriptor)) {
      throw office::AutomationError("the office could not write " + file);
    }
  }
}

void StoreAsPowerPoint97(const Reference<css::lang::XComponent>& document,
                         const std::string& path) {
  Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
      ->storeToURL(FileUrl(path), SequenceOf<css::beans::PropertyValue>(
                                      {Property("FilterName", Any(OUString("MS PowerPoint 97"))),
                                       Property("Overwrite", Any(true))}));
}

}  // namespace vlx::lo
