// orv_screen_grab: saves what an X window shows, as the screen has it.
//   orv_screen_grab <window id> <out.png>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

#include "platform/whole_number.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orv_screen_grab <window id> <out.png>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const auto id = orv::ParseWholeNumber(argv[1]);
  if (!id) {
    std::fprintf(stderr, "orv_screen_grab: not a window id: %s\n", argv[1]);
    return 2;
  }
  const WId window = static_cast<WId>(*id);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 1;
  const QPixmap shot = screen->grabWindow(window);
  if (shot.isNull() || !shot.save(argv[2], "PNG")) {
    std::fprintf(stderr, "orv_screen_grab: nothing saved\n");
    return 1;
  }
  return 0;
}
