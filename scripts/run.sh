#!/usr/bin/env bash
# Installs what is missing, builds the workstation, creates the demo data set
# when there is none, and starts the workstation on it.
#   MXDEV_DATA   the data set's folder (default: ~/mxdev-demo)
# Further arguments go to mxdev (e.g. "Y 2": preview on, workstation 2).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${MXDEV_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target mxdev mxadmin

data=${MXDEV_DATA:-$HOME/mxdev-demo}
if [[ ! -e "$data/indexdef.dbf" ]]; then
  "$build/tools/mxadmin" init "$data" --demo
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  cat >&2 <<MSG
There is no display to show the workstation on. Either run this command from
a desktop session, or start it on a virtual display:

    xvfb-run -a bash scripts/run.sh

or drive it with a script and no display at all:

    $build/src/shell/mxdev --data "$data" --play script.txt
MSG
  exit 1
fi
exec "$build/src/shell/mxdev" --data "$data" "$@"
