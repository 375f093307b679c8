#!/usr/bin/env bash
# Starts what the build has produced on the demo sites: the desktop program
# when there is a display, otherwise the command-line front end.
set -euo pipefail
build=${1:-build}
if [[ -x "$build/src/app/korvane" && -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$build/src/app/korvane" --demo
fi
if [[ -x "$build/src/cli/korvane-search" ]]; then
  exec "$build/src/cli/korvane-search" --demo 电影
fi
echo "run: nothing to start yet; the tests are run with 'make test'"
