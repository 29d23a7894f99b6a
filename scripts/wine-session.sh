# Sourced by the run and test scripts: a Wine prefix of the project's own,
# drawing into a virtual desktop of a known size, on a virtual X display when
# there is no real one. `wine_session_start BUILD [ANCHOR-EXE]` and
# `wine_session_stop`. With TABRIVET_MONITORS=2, two monitors of 1024 x 768
# side by side instead, with no virtual desktop.

# `start_x_server FIRST SERVER ARGS...`: the server on the first free display
# number from FIRST on, made DISPLAY once its socket is there; its process is
# x_server_pid.
start_x_server() {
  local number=$1 server=$2
  shift 2
  while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
  done
  "$server" ":$number" "$@" -nolisten tcp >/dev/null 2>&1 &
  x_server_pid=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$number" ] && break
    sleep 0.1
  done
}

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
    start_x_server 97 Xvfb -screen 0 "${TABRIVET_DESKTOP_SIZE}x24"
    TABRIVET_XVFB_PID=$x_server_pid
  fi
  if [ "${TABRIVET_MONITORS:-1}" = 2 ]; then
    # Two heads of a nested server. Without RandR, Wine takes the monitors
    # from Xinerama; a virtual desktop would make them one.
    TABRIVET_OUTER_DISPLAY=$DISPLAY
    start_x_server 197 Xephyr -screen 1024x768+0+0 -screen 1024x768+1024+0 +xinerama \
      -extension RANDR
    TABRIVET_XEPHYR_PID=$x_server_pid
  fi
  # A server that stays up makes each program start in well under a second.
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix (once, about ten seconds)"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  fi
  if [ "${TABRIVET_MONITORS:-1}" = 2 ]; then
    /usr/lib/wine/wine64 reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1
  else
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
      >/dev/null 2>&1
  fi
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
  if [ -n "${TABRIVET_XEPHYR_PID:-}" ]; then
    kill "$TABRIVET_XEPHYR_PID" 2>/dev/null || true
    wait "$TABRIVET_XEPHYR_PID" 2>/dev/null || true
    TABRIVET_XEPHYR_PID=
    export DISPLAY=$TABRIVET_OUTER_DISPLAY
  fi
  if [ -n "${TABRIVET_XVFB_PID:-}" ]; then
    kill "$TABRIVET_XVFB_PID" 2>/dev/null || true
    wait "$TABRIVET_XVFB_PID" 2>/dev/null || true
    # A session started after this one makes a display of its own again.
    TABRIVET_XVFB_PID=
    unset DISPLAY
  fi
}
