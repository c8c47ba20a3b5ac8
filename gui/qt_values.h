#pragma once
// The program's own values in the window toolkit's types.
#include <QRect>
#include <QString>
#include <string>

#include "skin/layout.h"

namespace orv::app {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

inline QRect ToQRect(const skin::EdgeRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace orv::app
