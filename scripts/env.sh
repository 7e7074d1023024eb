# Sourced by the scripts: where the builds, caches and the Wine prefix live, and how the three
# builds are configured. Not for running on its own.
VV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VV_BUILD=${VV_BUILD:-$VV_ROOT/build}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vellview-ccache}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-5G}
# Paths inside the checkout hash relative to it, so that a second checkout of the tree (another
# branch beside this one) reuses what the first compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$VV_ROOT}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
export WINEPREFIX=$VV_BUILD/wineprefix
export WINEDEBUG=-all,err+module
export WINEDLLOVERRIDES="mscoree,mshtml="
VV_JOBS=${VV_JOBS:-$(nproc)}

vv_configure() {  # vv_configure native|windows|fuzz|bench
  local kind=$1 dir=$VV_BUILD/$1 args=(-G Ninja -DCMAKE_C_COMPILER_LAUNCHER=ccache
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DVV_WERROR=${VV_WERROR:-ON})
  case $kind in
    native) args+=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "-DCMAKE_C_FLAGS_DEBUG=-g -O1") ;;
    bench)  args+=(-DCMAKE_BUILD_TYPE=Release -DVV_SANITIZE=OFF) ;;
    windows) args+=(-DCMAKE_BUILD_TYPE=Release
      -DCMAKE_TOOLCHAIN_FILE="$VV_ROOT/cmake/toolchain-mingw64.cmake"
      -DVV_DEPS_PREFIX="$("$VV_ROOT/scripts/deps-windows.sh" --prefix)") ;;
    fuzz)   args+=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      -DVV_FUZZ=ON -DVV_BENCHMARKS=OFF) ;;
  esac
  mkdir -p "$VV_BUILD"
  cmake -S "$VV_ROOT" -B "$dir" "${args[@]}" >"$VV_BUILD/$kind-configure.log" 2>&1 ||
    { cat "$VV_BUILD/$kind-configure.log"; return 1; }
}

vv_build() {  # vv_build native|windows|fuzz|bench
  vv_configure "$1" && cmake --build "$VV_BUILD/$1" -j "$VV_JOBS"
}

# A private X display for Wine; sets VV_XVFB_PID and DISPLAY. Xvfb picks the first display number
# that nobody holds and tells it when it is ready: a lock file in /tmp is not enough to know, since
# another checkout in a chroot (or a container) shares the abstract X sockets but not our /tmp.
vv_start_display() {
  local numfile n i
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  VV_XVFB_PID=$!
  for i in $(seq 100); do
    n=$(tr -dc 0-9 <"$numfile")
    if [ -n "$n" ]; then
      rm -f "$numfile"
      export DISPLAY=:$n
      return 0
    fi
    kill -0 "$VV_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$numfile"
  echo "Xvfb did not start" >&2
  return 1
}

vv_stop_display() {
  [ -n "${VV_XVFB_PID:-}" ] && kill "$VV_XVFB_PID" 2>/dev/null || true
}

# The Wine prefix in the build tree, created on first use, and a persistent wineserver so each
# test program starts in a tenth of a second.
vv_start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1
  # The first program of a session starts Wine's services, which inherit its standard output and
  # keep it open: start them here, on /dev/null, so a test's output pipe closes when the test ends.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  # TrueType text in drawings finds its fonts as under Windows: by face in the registry's font
  # list, whose file name it takes, and by file in the Fonts folder. Wine lists the host's
  # fonts in the registry with their Unix paths, but its Fonts folder holds none of them; the
  # set-up installs DejaVu (fonts-dejavu-core) and each prefix gets it in the Fonts folder and
  # the registry.
  local dejavu=/usr/share/fonts/truetype/dejavu
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" face file
  local fontkey='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
  mkdir -p "$fonts"
  for face in "DejaVu Sans:DejaVuSans" "DejaVu Sans Bold:DejaVuSans-Bold" \
              "DejaVu Sans Mono:DejaVuSansMono" "DejaVu Sans Mono Bold:DejaVuSansMono-Bold" \
              "DejaVu Serif:DejaVuSerif" "DejaVu Serif Bold:DejaVuSerif-Bold"; do
    file=${face#*:}.ttf
    [ -f $dejavu/$file ] || continue
    [ -f "$fonts/$file" ] || cp $dejavu/$file "$fonts/$file"
    # Wine drops its own value of a font it then finds in the Fonts folder, so ours is set at
    # every start.
    wine reg add "$fontkey" /v "${face%%:*} (TrueType)" /t REG_SZ /d "$file" /f \
      >/dev/null 2>&1 </dev/null || true
  done
  # No window manager runs on the private display; a managed window makes Wine wait for one on
  # every close of a top-level window (about 2 s each, minutes over the dialog tests).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 </dev/null || true
  # A crashing program must fail its test at once with a backtrace on stderr, not wait behind
  # the debugger's crash dialog on a display nobody looks at until ctest's timeout.
  if [ ! -f "$WINEPREFIX/.vv-no-crash-dialog" ]; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 </dev/null && touch "$WINEPREFIX/.vv-no-crash-dialog"
  fi
}

vv_stop_wine() {
  wineserver -k 2>/dev/null || true
}

# The print system the printing tests print through: CUPS with the cups-pdf printer "PDF", which
# Wine lists as a Windows printer and which writes each job as a PDF into $HOME/PDF (exported as
# VV_PDF_DIR). A scheduler that already runs is used as it is and left running; one started here
# is stopped by vv_stop_print. When none can run, VV_PRINT_SKIP says why and the tests that need
# it report themselves skipped with that reason.
vv_start_print() {
  VV_CUPSD_STARTED=0
  unset VV_PRINT_SKIP
  export VV_PDF_DIR=$HOME/PDF
  if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
    export VV_PRINT_SKIP="CUPS is not installed (packages cups, cups-bsd, printer-driver-cups-pdf)"
    return 0
  fi
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    if cupsd 2>/dev/null; then
      VV_CUPSD_STARTED=1
      local i
      for i in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        sleep 0.2
      done
    fi
    if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
      export VV_PRINT_SKIP="the CUPS scheduler cupsd could not be started (it needs root)"
      return 0
    fi
  fi
  if ! lpstat -p PDF >/dev/null 2>&1; then
    lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd >/dev/null 2>&1 ||
      { export VV_PRINT_SKIP="the cups-pdf printer PDF could not be added"; return 0; }
  fi
  lpstat -d 2>/dev/null | grep -q ': PDF$' || lpadmin -d PDF >/dev/null 2>&1 || true
  mkdir -p "$VV_PDF_DIR" 2>/dev/null || true
}

vv_stop_print() {
  if [ "${VV_CUPSD_STARTED:-0}" = 1 ]; then
    local pid
    pid=$(cat /run/cups/cupsd.pid 2>/dev/null || cat /var/run/cups/cupsd.pid 2>/dev/null || true)
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  fi
  VV_CUPSD_STARTED=0
}
