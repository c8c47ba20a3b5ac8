# Shared by the end-to-end scripts (source it): the tool check, a work folder
# removed at exit together with the processes listed in `pids`, numbered checks
# and waits that poll a condition under a generous limit.

orv_e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# orv_need_tools <tool...>: exit 77 (skipped) when one is not installed.
orv_need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

# orv_work_folder <name>: sets `work` to a new folder below /tmp and `pids` to
# an empty list; at exit orv_before_cleanup runs (when defined), the processes
# in `pids` are ended and the folder is removed (kept, and named, when
# ORV_E2E_KEEP is set, to look at what a failing run left).
orv_work_folder() {
  work=$(mktemp -d "/tmp/orv-$1.XXXXXX")
  pids=()
  trap orv_cleanup EXIT
}
orv_cleanup() {
  declare -F orv_before_cleanup >/dev/null && orv_before_cleanup
  # Every copy of the program started from the work folder ends too, whatever
  # state it is in: a copy left behind would hold the instance lock.
  local pid
  for pid in $(orv_program_pids); do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait_for 5 orv_no_program_left || for pid in $(orv_program_pids); do kill -KILL "$pid" 2>/dev/null; done
  wait 2>/dev/null
  if [ -n "${ORV_E2E_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
# The processes whose executable lies in the work folder (the program's copies).
orv_program_pids() {
  local pid exe
  for pid in $(pgrep -f "^$work/" 2>/dev/null); do
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
    case "$exe" in "$work"/*) echo "$pid" ;; esac
  done
}
orv_no_program_left() { [ -z "$(orv_program_pids)" ]; }
# orv_stacks <pid>: the threads' stacks of a running process (gdb, when installed).
orv_stacks() {
  echo "--- process $1: $(tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null), state $(awk '/^State/ { print $2 }' "/proc/$1/status" 2>/dev/null)"
  local task
  for task in /proc/"$1"/task/*; do
    echo "    thread ${task##*/} $(cat "$task/comm" 2>/dev/null): $(awk '{ print $3 }' "$task/stat" 2>/dev/null) in $(cat "$task/wchan" 2>/dev/null)"
  done
  if command -v gdb >/dev/null 2>&1; then
    timeout 60 gdb -p "$1" -batch -nx -ex 'set pagination off' -ex 'thread apply all bt 30' 2>&1 |
      grep -E '^(Thread|#)|ptrace|attach' | head -n 200
  fi
}

passed=0
failed=0
ok() { echo "ok - $1"; passed=$((passed + 1)); }
# A failed check ends the script at once: the checks after it depend on it,
# and a cascade of failures would only hide the first one. What is known at
# that moment is printed: the stacks of every copy of the program still
# running, and what the script's orv_failure_details prints (its logs).
not_ok() {
  echo "not ok - $1"
  failed=$((failed + 1))
  local pid
  for pid in $(orv_program_pids); do orv_stacks "$pid"; done
  declare -F orv_failure_details >/dev/null && orv_failure_details
  echo "$passed passed, $failed failed"
  exit 1
}
check() { # check <name> <command...>
  local name=$1
  shift
  if "$@"; then ok "$name"; else not_ok "$name"; fi
}
# wait_for <seconds> <command...>: true once the command succeeds.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  while ((SECONDS <= end)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }
# finish <pid>: the process's exit status in `status` once it has ended (at
# most 10 s; "timeout" when it had to be killed, after its stacks are shown).
status=""
finish() {
  if ! wait_for 10 gone "$1"; then
    echo "# process $1 did not end within 10 s"
    orv_stacks "$1"
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    status=timeout
    return
  fi
  wait "$1"
  status=$?
}
# The closing line, and the script's status.
orv_summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# orv_private_display [desktop tool]: a private X server for the script (its
# pid in ORV_XVFB_PID), the test desktop on it when one is named, and the
# surroundings every copy of the program gets: a runtime folder of its own,
# no session bus, the X11 platform, and no leak reports of the window
# toolkit's libraries (the unit tests check ours).
orv_private_display() {
  source "$orv_e2e_dir/../../tools/xvfb.sh"
  orv_start_xvfb "$work/xvfb.log" || exit 1
  pids+=("$ORV_XVFB_PID")
  if [ -n "${1:-}" ]; then
    "$1" >"$work/desktop.log" 2>&1 &
    pids+=($!)
    wait_for 5 grep -q ready "$work/desktop.log"
  fi
  export XDG_RUNTIME_DIR=$work/run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset DBUS_SESSION_BUS_ADDRESS
  export QT_QPA_PLATFORM=xcb
  export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
}

# orv_english_copy <portable folder>: a copy of the program in $work/app set
# to English (`app`), a folder for the simulated mouse (`sim`) and the file
# the first paint is reported to (`paint`); a failure prints the program's
# log ($work/app.log).
orv_english_copy() {
  app=$work/app
  cp -r "$1" "$app"
  sim=$work/sim
  mkdir "$sim"
  paint=$work/first-paint
  sed -i 's/^VER_SEL=.*/VER_SEL=1/' "$app/skins/config/config.ini"
  orv_failure_details() { echo "--- program log"; cat "$work/app.log"; }
}
