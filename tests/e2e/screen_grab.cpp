// orv_screen_grab: saves what an X window shows, as the screen has it.
//   orv_screen_grab <window id> <out.png> [x y width height]
// With a rectangle only that part of the window is saved (window 0 is the
// whole screen, so a rectangle of it can hold several windows).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

#include "platform/whole_number.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 7) {
    std::fprintf(stderr, "usage: orv_screen_grab <window id> <out.png> [x y width height]\n");
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
  int x = 0, y = 0, w = -1, h = -1;
  if (argc == 7) {
    int* const fields[] = {&x, &y, &w, &h};
    for (int i = 0; i < 4; ++i) {
      const auto value = orv::ParseWholeNumber(argv[3 + i]);
      if (!value || *value > 1 << 20) {
        std::fprintf(stderr, "orv_screen_grab: not a coordinate: %s\n", argv[3 + i]);
        return 2;
      }
      *fields[i] = static_cast<int>(*value);
    }
  }
  const QPixmap shot = screen->grabWindow(window, x, y, w, h);
  if (shot.isNull() || !shot.save(argv[2], "PNG")) {
    std::fprintf(stderr, "orv_screen_grab: nothing saved\n");
    return 1;
  }
  return 0;
}
