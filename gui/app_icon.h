#pragma once
#include <QIcon>

namespace orv::app {

// The program's icon (window, tray and About box), drawn at the sizes the
// desktop asks for.
QIcon AppIcon();

}  // namespace orv::app
