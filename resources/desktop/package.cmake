# The Debian package orv-ziduzu, built from the build folder with
#   cpack -G DEB        (or: cmake --build build --target package)
# Its files are the installation of resources/desktop/CMakeLists.txt under the
# prefix /usr; its dependencies are computed by dpkg-shlibdeps.
if(ORV_BUILD_FUZZ OR NOT ORV_SANITIZER STREQUAL "" OR NOT TARGET ORV_ZIduzu)
  return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv-ziduzu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ORV_ZIduzu developers")
set(CPACK_PACKAGE_CONTACT "ORV_ZIduzu developers <orv-ziduzu@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings of the KTR-580 GAMING MOUSE")
# CPack puts the summary first and indents the rest; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "orv-ziduzu sets what the KTR-580 GAMING MOUSE (USB 18f8:1086) keeps: the
functions of its seven buttons, six DPI levels with their indicator colours,
the lighting mode, the wheel flag and the rapid-fire time. It keeps five
profiles, records, edits and plays keyboard and mouse macros through the
mouse, and sets the desktop's pointer speed and wheel lines.

The package lets the user at the seat open the mouse, and starts the program
in the background whenever the mouse is plugged in and at login, so the mouse
always has its profile.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries dpkg-shlibdeps finds: the window system plugins, which
# the toolkit loads at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Turkish and Chinese texts of the interface need a CJK font; on a
# Wayland desktop the window runs natively with the toolkit's Wayland plugin
# (without it, through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-wayland")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Installed under DESTDIR with the prefix /usr, so that the files outside it
# (the autostart entry in /etc/xdg) land where they belong.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The autostart entry is the one file in /etc: the administrator may edit or
# remove it, and an upgrade keeps that choice.
file(WRITE ${CMAKE_BINARY_DIR}/debian-control/conffiles "/etc/xdg/autostart/orv-ziduzu.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian-control/conffiles)
include(CPack)
