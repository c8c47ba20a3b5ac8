// Kept apart from exit_signals.cpp: Xlib's header defines macros (None,
// Success, ...) that clash with the program's own names.
#include <X11/Xlib.h>

#include "gui/exit_signals.h"

namespace orv::app {
namespace {

// Returning would make Xlib call exit().
int OnXlibIoError(Display*) { EndForLostDisplay(); }

}  // namespace

void EndForLostDisplayOnXlibIoError() { XSetIOErrorHandler(OnXlibIoError); }

}  // namespace orv::app
