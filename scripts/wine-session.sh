# Sourced by the run and test scripts: a Wine prefix of the project's own,
# drawing into a virtual desktop of a known size, on a virtual X display when
# there is no real one. `wine_session_start BUILD [ANCHOR-EXE]` and
# `wine_session_stop`.

wine_session_start() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installers: the launcher needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # The display size follows from the virtual desktop, so every test can
  # compute its expectations from the system metrics it reads.
  TABRIVET_DESKTOP_SIZE=${TABRIVET_DESKTOP_SIZE:-1024x768}
  if [ -z "${DISPLAY:-}" ]; then
    local number=97
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
      number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 "${TABRIVET_DESKTOP_SIZE}x24" -nolisten tcp >/dev/null 2>&1 &
    TABRIVET_XVFB_PID=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$number" ] && break
      sleep 0.1
    done
  fi
  # A server that stays up makes each program start in well under a second.
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix (once, about ten seconds)"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  fi
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
    /d "$TABRIVET_DESKTOP_SIZE" /f >/dev/null 2>&1
  # The desktop that the commands above opened has the size of the last run;
  # a new server opens it anew with this one.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 || true
  # The first program of a new server starts Wine's services and the desktop,
  # which inherit its output: let that be a quiet one, not a test whose
  # output ctest reads to the end.
  /usr/lib/wine/wine64 reg query 'HKCU\Software\Wine\Explorer' >/dev/null 2>&1 || true
  # Wine closes a desktop a second after its last program has gone; one that
  # starts in that second cannot open a window. A program that stays keeps
  # the desktop open while one test program follows another.
  if [ -n "${2:-}" ]; then
    /usr/lib/wine/wine64 "$2" >/dev/null 2>&1 &
  fi
}

wine_session_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${TABRIVET_XVFB_PID:-}" ]; then
    kill "$TABRIVET_XVFB_PID" 2>/dev/null || true
    wait "$TABRIVET_XVFB_PID" 2>/dev/null || true
  fi
}
