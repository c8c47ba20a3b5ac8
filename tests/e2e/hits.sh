# Layout entries by name, read from the program's own list of them
# (skin/hit_indexes.h), so the scripts click what the program means.
#   hit <main|color|advanced|warning> <name>      e.g. hit main kApply
orv_hits_header=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/skin/hit_indexes.h
hit() {
  awk -v ns="namespace $1 {" -v name="$2" '
    $0 == ns { inside = 1; next }
    inside && /^}/ { inside = 0 }
    inside && $0 ~ ("constexpr int " name " = ") { sub(/.*= /, ""); sub(/;.*/, ""); print; exit }
  ' "$orv_hits_header"
}
# The label of mouse button <n> (0 ... 6) and the chip of profile <n> (1 ... 5).
button_entry() { echo $(($(hit main kFirstButton) + $1)); }
profile_entry() { echo $(($(hit main kFirstProfile) + $1 - 1)); }
