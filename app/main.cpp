// Lumicar: a USB camera as a document camera.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumicar");
  QWidget window;
  window.setWindowTitle("Lumicar");
  window.resize(640, 480);
  window.show();
  return app.exec();
}
