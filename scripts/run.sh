#!/usr/bin/env bash
# Starts what the build has produced on the demo sites.
set -euo pipefail
build=${1:-build}
if [[ -x "$build/src/cli/korvane-search" ]]; then
  exec "$build/src/cli/korvane-search" --demo 电影
fi
echo "run: nothing to start yet; the tests are run with 'make test'"
