#!/usr/bin/env bash
# One GUI test under Wine on a private X server:
#   run_gui_tests.sh MODE SCALE DEMO_EXE WINE64 WINEPREFIX SHOT_DIR
# MODE confirm: opens the message box over an owner window, clicks its acknowledge button with a
#   real mouse event and checks the close code 2, the owner enabled again, and that the owner's
#   messages kept flowing; saves a screenshot of the box.
# MODE question: the same with the question box: it must be 560x380 at the screen scale, and its
#   确定(Y) at the skin's place, answering 1.
# MODE pages: saves a screenshot of each page of the main window skin.
# SCALE is the screen scale in percent (100 or 150), set as the prefix's DPI for the run.
set -euo pipefail
trap 'echo "failed at line $LINENO: $BASH_COMMAND" >&2' ERR
mode=$1 scale=$2 exe=$3 wine=$4 prefix=$5 shots=$6
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=d
mkdir -p "$shots"
work=$(mktemp -d)
status=$work/status
timeout_s=60

xvfb_pid=""
cleanup() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=""
for n in $(seq 91 160); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number"; exit 1; }
Xvfb ":$display" -screen 0 1400x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 100); do
    xwininfo -root >/dev/null 2>&1 && break
    sleep 0.1
done
xwininfo -root >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

# Chinese text: the skin asks for Microsoft YaHei (and falls back to SimSun); both map to the
# WenQuanYi font that Debian installs. The scale is the prefix's DPI setting.
for face in 'Microsoft YaHei' 'SimSun'; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * scale / 100)) /f >/dev/null 2>&1

windows_status="Z:${status//\//\\}"
# A desktop of our own: its explorer starts from here, with our DISPLAY, whatever desktop the
# prefix's other (windowless) tests brought up without one.
WINEDEBUG=err+all "$wine" explorer "/desktop=qngui$display,1400x1000" "$exe" "$mode" "$windows_status" >"$work/demo.log" 2>&1 &
demo_pid=$!

# Waits until the status file's first word is $1; prints the line.
wait_status() {
    local deadline=$((SECONDS + timeout_s))
    while [ $SECONDS -lt $deadline ]; do
        if [ -f "$status" ]; then
            local line
            line=$(head -n 1 "$status" | tr -d '\r')
            if [ "${line%% *}" = "$1" ] && { [ -z "${2:-}" ] || [ "$(echo "$line" | cut -d' ' -f2)" = "$2" ]; }; then
                echo "$line"
                return 0
            fi
        fi
        if ! kill -0 "$demo_pid" 2>/dev/null && [ "$1" != closed ] && [ "$1" != done ]; then
            echo "demo program ended early" >&2; cat "$work/demo.log" >&2; return 1
        fi
        sleep 0.1
    done
    echo "timed out waiting for '$1 ${2:-}'" >&2; cat "$work/demo.log" >&2; return 1
}

wait_exit() {
    local deadline=$((SECONDS + timeout_s))
    while kill -0 "$demo_pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || { echo "demo program did not end"; kill "$demo_pid"; return 1; }
        sleep 0.1
    done
    wait "$demo_pid"
}

shot() {  # file x y w h
    import -window root -crop "${4}x${5}+${2}+${3}" +repage "$1"
    echo "screenshot: $1"
}

case $mode in
confirm|question)
    line=$(wait_status click)
    read -r _ x y left top width height <<<"$line"
    sleep 0.3
    shot "$shots/${mode}_${scale}.png" "$left" "$top" "$width" "$height"
    xdotool mousemove --sync "$x" "$y"
    sleep 0.2
    xdotool click 1
    line=$(wait_status closed)
    echo "$line"
    wait_exit
    if [ "$mode" = question ]; then
        size="$((560 * scale / 100))x$((380 * scale / 100))"
        [ "${width}x${height}" = "$size" ] || { echo "question box ${width}x${height}, not $size"; exit 1; }
        code=1
    else
        code=2
    fi
    case $line in
        *"code=$code owner_enabled=1"*) ;;
        *) echo "unexpected result: $line"; exit 1 ;;
    esac
    ;;
pages)
    for page in 0 1 2 3 4 5; do
        line=$(wait_status ready "$page")
        read -r _ _ left top width height <<<"$line"
        sleep 0.3
        shot "$shots/page${page}_${scale}.png" "$left" "$top" "$width" "$height"
        touch "$status.$page"
    done
    wait_status done >/dev/null
    wait_exit
    ;;
*)
    echo "unknown mode $mode"; exit 2 ;;
esac
