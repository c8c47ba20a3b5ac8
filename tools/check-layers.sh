#!/usr/bin/env bash
# Fails when a file includes a header of a folder above its own, or when a
# file outside the window toolkit's layer includes the toolkit (Qt) or talks
# to the X server (xcb, Xlib). Folders are layers, read bottom-up:
#   platform <- settings, macros <- device <- drive <- skin <- app <- gui
# settings may use macros, never the reverse. gui is the only layer that may
# include Qt, xcb or X11 headers. Tests, tools and benchmarks sit above
# everything and are not checked. The mouse's description, device/ktr580.h, is
# data that every layer reads: any file may include it, and it includes no
# header of the program's.
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
declare -A rank=([platform]=0 [macros]=1 [settings]=2 [device]=3 [drive]=4 [skin]=5 [app]=6 [gui]=7)
description=device/ktr580.h
status=0
if own=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$description"); then
  echo "layer violation: $description includes a header of the program's: $own"
  status=1
fi
for dir in "${!rank[@]}"; do
  [ -d "$root/$dir" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    rest=${line#*:}
    rest=${rest#*:}
    [[ $rest =~ \"$description\" ]] && continue
    [[ $rest =~ include[[:space:]]*\"([^/\"]+)/ ]] || continue
    target=${BASH_REMATCH[1]}
    [ -n "${rank[$target]+x}" ] || continue
    if (( rank[$target] > rank[$dir] )); then
      echo "layer violation: ${file#"$root"/} includes a header of $target/ (above $dir/): $rest"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$root/$dir" --include='*.h' --include='*.cpp' || true)
done

# The window toolkit and the X server only in gui/ (and above it: tools,
# tests, benchmarks). Every other folder of sources is checked, a new one
# too; hidden folders and build folders (they hold a CMakeCache.txt) are not
# sources.
for path in "$root"/*/; do
  dir=$(basename "$path")
  case $dir in gui | tools | tests | bench) continue ;; esac
  [ -e "$path/CMakeCache.txt" ] && continue
  while IFS= read -r line; do
    echo "toolkit outside gui/: ${line#"$root"/}"
    status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q|xcb/|X11/)' "$path" \
             --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' || true)
done
[ $status -eq 0 ] && echo "layers: every include points downward, and only gui/ includes the window toolkit"
exit $status
