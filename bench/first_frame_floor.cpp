// The floor of the start-up benchmark: the least a Qt Widgets program does to
// show one 800 x 600 picture. It decodes the picture, shows a frameless window
// of its size and, once that first frame has been painted and handed to the
// window system, appends a line to the file named by ORV_FIRST_PAINT_FILE,
// exactly as the program does.
//   orv_first_frame_floor <picture>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <fstream>

namespace {

class PictureWindow final : public QWidget {
 public:
  explicit PictureWindow(QImage picture) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), picture_(std::move(picture)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(picture_.size());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).drawImage(0, 0, picture_);
    if (reported_) return;
    reported_ = true;
    // After this event the frame goes to the window system; the line follows.
    QTimer::singleShot(0, this, [] {
      if (const char* file = std::getenv("ORV_FIRST_PAINT_FILE"); file != nullptr && *file != '\0') {
        std::ofstream(file, std::ios::app) << "first-frame\n";
      }
    });
  }

 private:
  QImage picture_;
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) return 2;
  QImage picture(QString::fromLocal8Bit(argv[1]));
  if (picture.isNull()) return 1;
  PictureWindow window(std::move(picture));
  window.show();
  return QApplication::exec();
}
