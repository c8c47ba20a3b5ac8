# Shared by the end-to-end scripts (source it): the tool check, a work folder
# removed at exit together with the processes listed in `pids`, numbered checks
# and waits that poll a condition under a generous limit.

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
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  if [ -n "${ORV_E2E_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}

passed=0
failed=0
ok() { echo "ok - $1"; passed=$((passed + 1)); }
not_ok() { echo "not ok - $1"; failed=$((failed + 1)); }
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
# most 10 s; "timeout" when it had to be killed).
status=""
finish() {
  if ! wait_for 10 gone "$1"; then
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
