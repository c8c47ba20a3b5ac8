#pragma once
// File names of the skin's pictures, all directly in the skin folder. The
// pictures of one window share one size and one layout: a state is shown by
// copying a layout rectangle from one picture into the same place of another.

namespace orv::skin::pictures {

// Main window: shape, then base / hovered / pressed-and-selected of each page.
inline constexpr const char* kMainMask = "main_mask.jpg";
inline constexpr const char* kMainNormal = "main_normal.jpg";
inline constexpr const char* kMainOver = "main_over.jpg";
inline constexpr const char* kMainDown = "main_down.jpg";
inline constexpr const char* kAdvancedNormal = "advanced_normal.jpg";
inline constexpr const char* kAdvancedOver = "advanced_over.jpg";
inline constexpr const char* kAdvancedDown = "advanced_down.jpg";
// The Color page's three pictures double as the preview of the grey state and of
// cycle colours 0 (yellow) and 1 (blue).
inline constexpr const char* kColorNormal = "color_normal_gray.jpg";
inline constexpr const char* kColorOver = "color_over_yellow.jpg";
inline constexpr const char* kColorDown = "color_down_blue.jpg";
// Preview of cycle colours 2 ... 6.
inline constexpr const char* kColorPink = "color_pink.jpg";
inline constexpr const char* kColorGreen = "color_green.jpg";
inline constexpr const char* kColorRed = "color_red.jpg";
inline constexpr const char* kColorCyan = "color_cyan.jpg";
inline constexpr const char* kColorWhite = "color_white.jpg";

// First-level function menu: the mask gives only the size (ten rows).
inline constexpr const char* kMenuMask = "menu_mask.jpg";
inline constexpr const char* kMenuNormal = "menu_normal.jpg";
inline constexpr const char* kMenuOver = "menu_over.jpg";
inline constexpr const char* kMenuDown = "menu_down.jpg";
// Second-level function menu (twelve rows); these names contain a blank.
inline constexpr const char* kSubMenuMask = "advanced menu_mask.jpg";
inline constexpr const char* kSubMenuNormal = "advanced menu_normal.jpg";
inline constexpr const char* kSubMenuOver = "advanced menu_over.jpg";
inline constexpr const char* kSubMenuDown = "advanced menu_down.jpg";

// Warning dialog: shape and size, base, hovered button.
inline constexpr const char* kWarningMask = "warning_mask.jpg";
inline constexpr const char* kWarningNormal = "warning_normal.jpg";
inline constexpr const char* kWarningOver = "warning_over.jpg";

inline constexpr int kMenuRows = 10;
inline constexpr int kSubMenuRows = 12;

// Every picture of the skin, for tools and checks.
inline constexpr const char* kAll[] = {
    kMainMask,      kMainNormal,  kMainOver,     kMainDown,    kAdvancedNormal, kAdvancedOver,  kAdvancedDown,
    kColorNormal,   kColorOver,   kColorDown,    kColorPink,   kColorGreen,     kColorRed,      kColorCyan,
    kColorWhite,    kMenuMask,    kMenuNormal,   kMenuOver,    kMenuDown,       kSubMenuMask,   kSubMenuNormal,
    kSubMenuOver,   kSubMenuDown, kWarningMask,  kWarningNormal, kWarningOver,
};

}  // namespace orv::skin::pictures
