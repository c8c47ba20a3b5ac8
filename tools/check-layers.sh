#!/usr/bin/env bash
# Fails when a file includes a header of a folder above its own. Folders are
# layers, read bottom-up:
#   platform <- settings, macros <- device <- drive <- skin <- app
# settings may use macros, never the reverse. Tests, tools and benchmarks sit
# above everything and are not checked. The mouse's description,
# device/ktr580.h, is data that every layer reads: any file may include it, and
# it includes no header of the program's.
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
declare -A rank=([platform]=0 [macros]=1 [settings]=2 [device]=3 [drive]=4 [skin]=5 [app]=6)
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
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*$/\1/' <<<"$rest")
    [ -n "${rank[$target]+x}" ] || continue
    if (( rank[$target] > rank[$dir] )); then
      echo "layer violation: ${file#"$root"/} includes a header of $target/ (above $dir/): $rest"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$root/$dir" --include='*.h' --include='*.cpp' || true)
done
[ $status -eq 0 ] && echo "layers: every include points downward"
exit $status
