#!/usr/bin/env bash
# A private X server for tests, screenshots and benchmarks. Xvfb picks a free
# display itself and names it through -displayfd, so nothing scans for free
# display numbers and two runs never race for one. -noreset keeps the server
# as it is between clients (no reset after the last one leaves).
#
# The screen is 1280x1024x24 unless ORV_XVFB_SCREEN gives another (e.g.
# 2600x2100x24 for a window at twice the size).
#
# Run a command on it:   tools/xvfb.sh <command> [args...]
# Or source this file:   orv_start_xvfb <log file>   (sets DISPLAY and ORV_XVFB_PID)

orv_start_xvfb() {
  local log=${1:-/dev/null}
  local numberFile
  numberFile=$(mktemp /tmp/orv-xvfb.XXXXXX) || return 1
  local fd
  exec {fd}>"$numberFile"
  Xvfb -displayfd "$fd" -screen 0 "${ORV_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset >"$log" 2>&1 &
  ORV_XVFB_PID=$!
  exec {fd}>&-
  local number=""
  for _ in $(seq 400); do
    number=$(tr -dc '0-9' <"$numberFile")
    [ -n "$number" ] && break
    kill -0 "$ORV_XVFB_PID" 2>/dev/null || break
    sleep 0.025
  done
  rm -f "$numberFile"
  if [ -z "$number" ]; then
    echo "Xvfb did not start (see $log)" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  if [ $# -eq 0 ]; then
    echo "usage: $0 <command> [args...]" >&2
    exit 2
  fi
  orv_start_xvfb /dev/null || exit 1
  trap 'kill "$ORV_XVFB_PID" 2>/dev/null; wait "$ORV_XVFB_PID" 2>/dev/null' EXIT
  "$@"
  exit $?
fi
