// The toolchain can make, show and close a Qt window headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

TEST(WidgetsSmoke, WindowShowsAndCloses) {
  int argc = 1;
  char name[] = "test_app_smoke";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("Lumicar");
  window.resize(320, 240);
  window.show();
  EXPECT_TRUE(window.isVisible());
  QTimer::singleShot(0, &window, &QWidget::close);
  QTimer::singleShot(0, &app, &QApplication::quit);
  app.exec();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Lumicar");
}
