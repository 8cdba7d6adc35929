#!/usr/bin/env bash
# The demo: the real wizard on the simulated demo machine, under Wine.
#   scripts/demo.sh [SCENARIO.xml]
# With a display (DISPLAY set) the window opens there; without one, the program runs on a
# private Xvfb screen, a screenshot of the start page is saved, and its path is printed.
# Nothing here touches this machine's disks: the program sees only the simulated machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
exe=$build/src/app/QNBootRepair-sim.exe
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
export WINEPREFIX=$build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=d
# The program's Chinese texts: the skin's fonts map to the WenQuanYi font Debian installs, and
# the ANSI code page is 936 as on a Chinese Windows.
# (env, not the shell, sets the locale: the host needs no Chinese locale installed for Wine.)
wine_cn() { env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$wine" "$@"; }
if [ $# -ge 1 ]; then
    export QN_SIM_SCENARIO="Z:$(realpath "$1" | sed 's|/|\\|g')"
fi

prepare_prefix() {
    "$wine" wineboot -i >/dev/null 2>&1 || true
    for face in 'Microsoft YaHei' 'SimSun'; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    prepare_prefix
    echo "Starting QNBootRepair-sim.exe on the simulated machine (close the window to end)."
    wine_cn "$exe"
    exit $?
fi

shots=$root/build/demo
mkdir -p "$shots"
display=""
for n in $(seq 171 240); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
cleanup() {
    [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
    "$wine" wineserver -k >/dev/null 2>&1 || env WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
prepare_prefix

wine_cn "$exe" >"$shots/demo.log" 2>&1 &
program=$!
# Wait for the main window to be drawn.
window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --name 'QuenraNT' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the program showed no window; see $shots/demo.log" >&2; exit 1; }
sleep 2
shot=$shots/start_page.png
import -window "$window" "$shot" 2>/dev/null || import -window root "$shot"
echo "No display: ran the demo on a private screen. Start page saved to $shot"
