#include "automation/libreoffice/slide_inserter.h"

#include <chrono>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <thread>

#include "engine/office/office_api.h"

namespace vlx::lo {
namespace {

constexpr auto kViewSwitchWait = std::chrono::seconds(10);

struct ViewAccess {
  Reference<css::frame::XController> controller;
  Reference<css::frame::XDispatchProvider> dispatch;
  Reference<css::frame::XDispatchHelper> helper;
};

void Dispatch(const ViewAccess& view, const char* command) {
  view.helper->executeDispatch(
      view.dispatch, OUString::createFromAscii(command), "", 0,
      SequenceOf<css::beans::PropertyValue>({Property("SynchronMode", Any(true))}));
}

bool SlideSorterShown(const ViewAccess& view) {
  Reference<css::beans::XPropertySet> properties(view.controller, UNO_QUERY);
  if (!properties.is()) return false;
  Reference<css::lang::XServiceInfo> sub(properties->getPropertyValue("SubController"), UNO_QUERY);
  return sub.is() && sub->getImplementationName().endsWith("SdUnoSlideView");
}

void MovePageFirst(const Reference<css::uno::XComponentContext>& context,
                   const Reference<css::lang::XComponent>& document,
                   const Reference<css::drawing::XDrawPages>& pages,
                   const Reference<css::drawing::XDrawPage>& page) {
  ViewAccess view;
  view.controller =
      Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getCurrentController();
  if (!view.controller.is()) throw office::AutomationError("Slides.Add: the document has no view");
  view.dispatch.set(view.controller->getFrame(), UNO_QUERY_THROW);
  view.helper = css::frame::DispatchHelper::create(context);

  Dispatch(view, ".uno:DiaMode");
  const auto deadline = std::chrono::steady_clock::now() + kViewSwitchWait;
  while (!SlideSorterShown(view)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw office::AutomationError("Slides.Add: the slide sorter did not open");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Reference<css::view::XSelectionSupplier>(view.controller, UNO_QUERY_THROW)
      ->select(Any(SequenceOf<Reference<css::drawing::XDrawPage>>({page})));
  Dispatch(view, ".uno:MovePageFirst");
  Dispatch(view, ".uno:NormalMultiPaneGUI");

  Reference<css::drawing::XDrawPage> first(pages->getByIndex(0), UNO_QUERY);
  if (first != page)
    throw office::AutomationError("Slides.Add: the new slide could not be put first");
}

}  // namespace

int OfficeLayoutFor(int layout) {
  switch (layout) {
    case 1:  // title slide
      return 0;
    case 2:  // title and body
      return 1;
    case 11:  // title only
      return 19;
    case 12:  // blank
      return 20;
    default:
      return -1;
  }
}

Reference<css::drawing::XDrawPage> InsertSlide(
    const Reference<css::uno::XComponentContext>& context,
    const Reference<css::lang::XComponent>& document, int index, int layout) {
  const int office_layout = OfficeLayoutFor(layout);
  if (office_layout < 0) {
    throw office::AutomationError("Slides.Add: layout " + std::to_string(layout) +
                                  " is not supported");
  }
  Reference<css::drawing::XDrawPages> pages =
      Reference<css::drawing::XDrawPagesSupplier>(document, UNO_QUERY_THROW)->getDrawPages();
  const sal_Int32 count = pages->getCount();
  if (index < 1 || index > count + 1) {
    throw office::AutomationError("Slides.Add: index " + std::to_string(index) +
                                  " is out of range");
  }
  if (index == 1 && Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly()) {
    throw office::AutomationError("Slides.Add: the presentation is read-only");
  }
  // insertNewByIndex(k) puts the new page after page k (0-based).
  Reference<css::drawing::XDrawPage> page = pages->insertNewByIndex(index == 1 ? 0 : index - 2);
  Reference<css::beans::XPropertySet>(page, UNO_QUERY_THROW)
      ->setPropertyValue("Layout", Any(sal_Int16(office_layout)));
  if (index == 1 && count > 0) {
    try {
      MovePageFirst(context, document, pages, page);
    } catch (...) {
      pages->remove(page);  // leave the presentation as it was
      throw;
    }
  }
  return page;
}

}  // namespace vlx::lo
