#!/usr/bin/env bash
# Builds the Windows programs and starts Vellview under Wine on the files given (or on the sample
# drawing kept in the repository). Without a display it runs on a virtual one, saves a screenshot
# once the window has painted and prints the screenshot's path.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$VV_ROOT/scripts/setup.sh" || exit 1
mkdir -p "$VV_BUILD"
vv_build windows >"$VV_BUILD/run-build.log" 2>&1 || { tail -30 "$VV_BUILD/run-build.log"; exit 1; }

exe=$VV_BUILD/windows/app/Vellview.exe
args=("$@")
if [ ! -f "$exe" ]; then
  # The application itself is not built yet: show the harness's painted window instead.
  echo "Vellview.exe is not built yet; showing the build harness's window test program instead."
  exe=$VV_BUILD/windows/tests/harness/harness_window_test.exe
  args=(--gtest_filter=Window.PaintsOnTheDisplay)
  export VV_HARNESS_HOLD_MS=8000
fi

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  vv_start_display || exit 1
fi
vv_start_wine

if [ $headless = 0 ]; then
  wine "$exe" "${args[@]}"
  rc=$?
  vv_stop_wine
  exit $rc
fi

wine "$exe" "${args[@]}" &
pid=$!
sleep "${VV_SHOT_DELAY:-5}"
shot=$VV_BUILD/screenshot.png
xwd -root -silent | convert xwd:- "$shot"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
vv_stop_wine
vv_stop_display
echo "screenshot: $shot"
