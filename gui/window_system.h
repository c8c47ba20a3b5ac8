#pragma once
// What the window system offers the main window.

namespace orv::app {

// Per-pixel transparency of top-level windows: always on Wayland; on X11 only
// while a compositing manager runs (without one the X shape alone cuts the
// window, and an alpha channel would show as black).
bool PerPixelAlphaAvailable();

}  // namespace orv::app
