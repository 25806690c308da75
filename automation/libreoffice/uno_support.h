#pragma once

// Small helpers shared by the UNO-facing files of the LibreOffice backend.

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <initializer_list>
#include <rtl/ustring.hxx>
#include <string>
#include <vector>

namespace vlx::lo {

namespace css = ::com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using ::rtl::OString;
using ::rtl::OUString;

OUString ToOUString(const std::string& utf8);
std::string ToUtf8(const OUString& text);

css::beans::PropertyValue Property(const char* name, const Any& value);

// Sequence<T> from a list (the SDK keeps Sequence's own list constructor internal).
template <class T>
Sequence<T> SequenceOf(std::initializer_list<T> items) {
  std::vector<T> copy(items);
  return Sequence<T>(copy.data(), static_cast<sal_Int32>(copy.size()));
}

// file:// URL of an absolute or relative local path; throws AutomationError.
OUString FileUrl(const std::string& path);

// The process-wide local UNO context, bootstrapped on first use.
Reference<css::uno::XComponentContext> LocalContext();

}  // namespace vlx::lo
