#include "automation/libreoffice/office_connection.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>

namespace vlx::lo {
namespace {

Reference<css::uno::XInterface> ConfigurationNode(
    const Reference<css::uno::XComponentContext>& context, const char* path, bool update) {
  Reference<css::lang::XMultiServiceFactory> provider(
      context->getServiceManager()->createInstanceWithContext(
          "com.sun.star.configuration.ConfigurationProvider", context),
      UNO_QUERY_THROW);
  css::beans::NamedValue node;
  node.Name = "nodepath";
  node.Value <<= OUString::createFromAscii(path);
  return provider->createInstanceWithArguments(
      update ? OUString("com.sun.star.configuration.ConfigurationUpdateAccess")
             : OUString("com.sun.star.configuration.ConfigurationAccess"),
      SequenceOf<Any>({Any(node)}));
}

}  // namespace

std::optional<OfficeLink> TryConnect(const std::string& pipe_name) {
  Reference<css::uno::XComponentContext> local = LocalContext();
  Reference<css::connection::XConnection> connection;
  try {
    connection =
        css::connection::Connector::create(local)->connect(ToOUString("pipe,name=" + pipe_name));
  } catch (const css::connection::NoConnectException&) {
    return std::nullopt;
  }
  Reference<css::bridge::XBridge> bridge =
      css::bridge::BridgeFactory::create(local)->createBridge("", "urp", connection, nullptr);
  OfficeLink link;
  link.bridge.set(bridge, UNO_QUERY_THROW);
  link.context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
  link.desktop = css::frame::Desktop::create(link.context);
  return link;
}

void DisposeLink(OfficeLink& link) noexcept {
  try {
    if (link.bridge.is()) link.bridge->dispose();
  } catch (...) {
  }
  link.desktop.clear();
  link.context.clear();
  link.bridge.clear();
}

void DisableDocumentLocking(const Reference<css::uno::XComponentContext>& context) {
  Reference<css::uno::XInterface> misc =
      ConfigurationNode(context, "/org.openoffice.Office.Common/Misc", true);
  Reference<css::beans::XPropertySet>(misc, UNO_QUERY_THROW)
      ->setPropertyValue("UseLocking", Any(false));
  Reference<css::util::XChangesBatch>(misc, UNO_QUERY_THROW)->commitChanges();
}

std::string ReadOfficeVersion(const Reference<css::uno::XComponentContext>& context) {
  Reference<css::beans::XPropertySet> product(
      ConfigurationNode(context, "/org.openoffice.Setup/Product", false), UNO_QUERY_THROW);
  OUString name;
  OUString version;
  product->getPropertyValue("ooName") >>= name;
  product->getPropertyValue("ooSetupVersionAboutBox") >>= version;
  return ToUtf8(name) + " " + ToUtf8(version);
}

}  // namespace vlx::lo
