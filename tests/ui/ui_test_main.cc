// Entry of ui_tests: a QApplication offscreen (unless ZRFORM_UI_TEST_DISPLAY is set), the
// user's code page, then every test; the offscreen "propagateSizeHints" notices are dropped.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/code_page.h"

static QtMessageHandler previous_handler = nullptr;

static void FilterMessages(QtMsgType type, const QMessageLogContext& where, const QString& text) {
  if (previous_handler && !text.contains(QLatin1String("does not support propagateSizeHints"))) {
    previous_handler(type, where, text);
  }
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("ZRFORM_UI_TEST_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  zr::InitUserLocale();
  previous_handler = qInstallMessageHandler(FilterMessages);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
