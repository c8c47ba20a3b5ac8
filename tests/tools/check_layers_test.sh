#!/usr/bin/env bash
# tools/check-layers.sh against small trees: each case is one file in one
# folder, and whether the check must fail on it.
set -euo pipefail
check=${1:?usage: check_layers_test.sh <check-layers.sh>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# folder | file | line | must fail
cases=(
  "skin|a.h|#include <QImage>|yes"
  "app|a.cpp|  #  include <xcb/xcb.h>|yes"
  "settings|a.cpp|#include <X11/Xlib.h>|yes"
  "newfolder|a.cpp|#include <QtCore/QString>|yes"
  "app|a.cpp|#include \"gui/main_window.h\"|yes"
  "macros|a.h|#include \"settings/mouse_settings.h\"|yes"
  "gui|a.cpp|#include <QWidget>|no"
  "tests|a.cpp|#include <QImage>|no"
  "gui|a.cpp|#include \"app/app_state.h\"|no"
  "app|a.cpp|#include <queue>|no"
  "app|a.cpp|#if __has_include(<xcb/xcb.h>)|no"
)
status=0
for c in "${cases[@]}"; do
  IFS='|' read -r folder file line fail <<<"$c"
  rm -rf "$work/tree" && mkdir -p "$work/tree/$folder"
  printf '%s\n' "$line" >"$work/tree/$folder/$file"
  if bash "$check" "$work/tree" >"$work/out" 2>&1; then failed=no; else failed=yes; fi
  if [ "$failed" != "$fail" ]; then
    echo "not ok: $folder/$file with '$line': the check $([ "$failed" = yes ] && echo failed || echo passed)"
    cat "$work/out"
    status=1
  fi
done
# A build folder (it holds a CMakeCache.txt) is no source folder.
rm -rf "$work/tree" && mkdir -p "$work/tree/build/gen"
touch "$work/tree/build/CMakeCache.txt"
echo '#include <QObject>' >"$work/tree/build/gen/moc.cpp"
if ! bash "$check" "$work/tree" >"$work/out" 2>&1; then
  echo "not ok: a build folder was checked"
  cat "$work/out"
  status=1
fi
[ $status -eq 0 ] && echo "ok: ${#cases[@]} cases and a build folder"
exit $status
