#!/usr/bin/env bash
# Builds the Windows programs and starts Vellview under Wine on the files given (or on the sample
# raster drawing the build draws). Without a display it runs on a virtual one, saves a screenshot
# once the window has painted and prints the screenshot's path.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$VV_ROOT/scripts/setup.sh" || exit 1
mkdir -p "$VV_BUILD"
vv_build windows >"$VV_BUILD/run-build.log" 2>&1 || { tail -30 "$VV_BUILD/run-build.log"; exit 1; }

exe=$VV_BUILD/windows/app/Vellview.exe
sample=$VV_BUILD/windows/app/res/sample.tif

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  vv_start_display || exit 1
fi
vv_start_wine

# Vellview takes its files as one argument, separated by ";", as Windows paths.
files=()
for f in "${@:-$sample}"; do
  if [ -e "$f" ]; then files+=("$(winepath -w "$f" 2>/dev/null)"); else files+=("$f"); fi
done
list=$(IFS=';'; echo "${files[*]}")
args=("$list")

if [ $headless = 0 ]; then
  wine "$exe" "${args[@]}"
  rc=$?
  vv_stop_wine
  exit $rc
fi

# "/T" keeps the splash window out of the screenshot; as a piece of the list it names no file.
wine "$exe" "/T;$list" &
pid=$!
sleep "${VV_SHOT_DELAY:-5}"
shot=$VV_BUILD/screenshot.png
xwd -root -silent | convert xwd:- "$shot"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
vv_stop_wine
vv_stop_display
echo "screenshot: $shot"
