// Entry of ui_tests: a QApplication offscreen (unless ZRFORM_UI_TEST_DISPLAY is set), the
// user's code page, then every test.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/code_page.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("ZRFORM_UI_TEST_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  zr::InitUserLocale();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
