#pragma once

#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include "automation/libreoffice/uno_support.h"

namespace vlx::lo {

// The office's page layout for an object-model slide layout (2: title and body);
// -1 for layouts this backend does not offer.
int OfficeLayoutFor(int layout);

// Inserts a new slide so that it becomes slide `index` (1 = first) with the given
// object-model layout; throws AutomationError when that cannot be done (a bad index or
// layout, a read-only document). The office has no call to insert in front of the first
// slide: such a slide is inserted second and then moved to the front through the slide
// sorter, which needs a document loaded read-write.
Reference<css::drawing::XDrawPage> InsertSlide(
    const Reference<css::uno::XComponentContext>& context,
    const Reference<css::lang::XComponent>& document, int index, int layout);

}  // namespace vlx::lo
