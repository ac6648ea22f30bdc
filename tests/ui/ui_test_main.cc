// Entry of ui_tests: a QApplication on the offscreen platform (no display
// needed), the user's code page, then every test.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/code_page.h"

namespace {

// Drops the offscreen platform's notice that it cannot size message boxes'
// windows, which every message box would print.
QtMessageHandler previous_handler = nullptr;

void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support propagateSizeHints"))) return;
  if (previous_handler) previous_handler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  // Offscreen unless ZRFORM_UI_TEST_DISPLAY asks for the platform of
  // QT_QPA_PLATFORM (to check X11-only behaviour under Xvfb by hand).
  if (qEnvironmentVariableIsEmpty("ZRFORM_UI_TEST_DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  zr::InitUserLocale();
  previous_handler = qInstallMessageHandler(FilterMessages);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
