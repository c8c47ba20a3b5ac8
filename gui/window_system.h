#pragma once
// What the window system offers the main window.

namespace orv::app {

// Per-pixel transparency of top-level windows: always on Wayland; on X11 only
// while a compositing manager runs (without one the X shape alone cuts the
// window, and an alpha channel would show as black).
bool PerPixelAlphaAvailable();

// Sends the requests waiting in the connection to the window system (on X11;
// elsewhere nothing), so that it works on them while the caller goes on.
void FlushWindowSystem();

}  // namespace orv::app
