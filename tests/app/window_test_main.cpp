// The window tests: GoogleTest on a QApplication, on the offscreen platform unless the
// caller picked another.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Veltrix Pellum Tests");
  QApplication::setApplicationName("window tests");
  return RUN_ALL_TESTS();
}
