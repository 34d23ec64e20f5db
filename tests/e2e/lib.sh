# Shared machinery of the end-to-end scripts: runs the real marionette.exe
# under Wine in a fresh working folder, drives it with X input events and
# reads what it shows. Source it, then call e2e_init <win64 build dir> <out dir>.
#
# Positions are client coordinates as the program counts them: origin at the
# bottom-left corner of the 1280x720 client area, y up.

e2e_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
E2E_PYTHON=/usr/bin/python3
[ -x "$E2E_PYTHON" ] || E2E_PYTHON=python3
E2E_CLIENT_W=1280
E2E_CLIENT_H=720
# Where the client area sits on the screen; e2e_start reads it from the window.
E2E_CLIENT_X=320
E2E_CLIENT_Y=180
E2E_PID=""
E2E_LAUNCHER=""
E2E_WINDOW=""
E2E_SHOT=""

# Sets up the display, the Wine prefix of the build tree and the out folder,
# and makes sure whatever is started is stopped when the script exits.
e2e_init() { # build dir, out dir
    E2E_BUILD="$(cd "$1" && pwd)"
    E2E_EXE="$E2E_BUILD/marionette.exe"
    E2E_OUT="$2"
    mkdir -p "$E2E_OUT"
    E2E_OUT="$(cd "$E2E_OUT" && pwd)"
    export WINEPREFIX="$E2E_BUILD/wineprefix"
    if [ -z "${DISPLAY:-}" ]; then
        DISPLAY="$("$e2e_root/scripts/xvfb-start")" || return 1
        export DISPLAY
    fi
    e2e_lock || { echo "another end-to-end run holds the display" >&2; return 1; }
    trap e2e_finish EXIT
    trap 'exit 130' INT TERM
}

# Focus, the pointer and screenshots belong to one run at a time. The lock is
# a folder naming its holder, not a locked descriptor: Wine's background
# processes inherit descriptors and outlive the run.
e2e_lock() {
    local lock="/tmp/marionette-e2e-display${DISPLAY//[^0-9]/}.lock"
    local deadline=$((SECONDS + 600)) holder
    until mkdir "$lock" 2>/dev/null; do
        holder="$(cat "$lock/pid" 2>/dev/null)"
        if { [ -n "$holder" ] && ! kill -0 "$holder" 2>/dev/null; } ||
            { [ -z "$holder" ] && [ -n "$(find "$lock" -maxdepth 0 -mmin +1 2>/dev/null)" ]; }; then
            rm -rf "$lock"
            continue
        fi
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.5
    done
    echo $$ >"$lock/pid"
    E2E_LOCK="$lock"
}

e2e_finish() {
    e2e_stop
    [ -n "${E2E_LOCK:-}" ] && rm -rf "$E2E_LOCK"
    E2E_LOCK=""
}

# Makes a fresh working folder holding copies of the data files; prints it.
e2e_folder() { # name
    local folder="$E2E_OUT/$1"
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$e2e_root"/assets/* "$folder"/ 2>/dev/null
    echo "$folder"
}

# Starts the program in a working folder and waits for its window.
# Fails (returning 1) when no window appears within 30 seconds.
e2e_start() { # folder
    local folder="$1" tries
    e2e_stop
    E2E_FOLDER="$folder"
    (cd "$folder" && exec "$e2e_root/scripts/wine-env" "$E2E_EXE") >"$folder.log" 2>&1 &
    E2E_LAUNCHER=$!
    for tries in $(seq 1 300); do
        [ -z "$E2E_PID" ] && E2E_PID="$(pgrep -P "$E2E_LAUNCHER" -n 2>/dev/null || true)"
        e2e_find_window && [ -n "$E2E_PID" ] && return 0
        kill -0 "$E2E_LAUNCHER" 2>/dev/null || break
        sleep 0.1
    done
    echo "no window appeared; log:" >&2
    cat "$folder.log" >&2
    return 1
}

# Finds the window by its title and reads where its client area lies. Wine
# maps a window small first and sizes it a moment later, and without a window
# manager the X window is the client area alone, so the one that counts is the
# window with the client size.
e2e_find_window() {
    local window geometry x y w h
    for window in $(xdotool search --name '^Marionette Room$' 2>/dev/null); do
        geometry="$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
        x="$(sed -n 's/^X=//p' <<<"$geometry")"
        y="$(sed -n 's/^Y=//p' <<<"$geometry")"
        w="$(sed -n 's/^WIDTH=//p' <<<"$geometry")"
        h="$(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
        E2E_WINDOW="$window"
        E2E_GEOMETRY="$x $y $w $h"
        if [ "$w" = "$E2E_CLIENT_W" ] && [ "$h" = "$E2E_CLIENT_H" ]; then
            E2E_CLIENT_X="$x"
            E2E_CLIENT_Y="$y"
            return 0
        fi
    done
    return 1
}

# Waits until a screenshot satisfies a check (a command that reads
# $E2E_SHOT); fails after the given number of seconds.
e2e_wait_for() { # seconds, command...
    local deadline=$((SECONDS + $1))
    shift
    while [ "$SECONDS" -le "$deadline" ]; do
        e2e_shot wait >/dev/null
        "$@" && return 0
        e2e_running || return 1
        sleep 0.2
    done
    return 1
}

# Asks the program to close (Alt+F4 becomes WM_CLOSE), then kills it if it
# does not end within five seconds. Safe to call when nothing runs.
e2e_stop() {
    if [ -n "$E2E_LAUNCHER" ] && kill -0 "$E2E_LAUNCHER" 2>/dev/null; then
        [ -z "$E2E_PID" ] && E2E_PID="$(pgrep -P "$E2E_LAUNCHER" -n 2>/dev/null || true)"
        if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
            e2e_close_request
            e2e_wait_exit 50 || kill "$E2E_PID" 2>/dev/null
            e2e_wait_exit 30 || kill -9 "$E2E_PID" 2>/dev/null
        fi
        e2e_wait_exit 30 || kill "$E2E_LAUNCHER" 2>/dev/null
        wait "$E2E_LAUNCHER" 2>/dev/null
    fi
    E2E_PID=""
    E2E_LAUNCHER=""
    E2E_WINDOW=""
}

e2e_close_request() {
    xdotool keydown Alt_L 2>/dev/null; sleep 0.05
    xdotool keydown F4 2>/dev/null; sleep 0.1
    xdotool keyup F4 2>/dev/null; sleep 0.05
    xdotool keyup Alt_L 2>/dev/null
}

# True once the launcher has ended, polling every 0.1 s for up to n tries.
e2e_wait_exit() { # tries
    local i
    for i in $(seq 1 "$1"); do
        kill -0 "$E2E_LAUNCHER" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# True while the program started last still runs.
e2e_running() {
    [ -n "$E2E_LAUNCHER" ] && kill -0 "$E2E_LAUNCHER" 2>/dev/null
}

# --- keyboard: every key is held for several frames, because a press and a
# release that arrive between two polls read only as Released. The pauses are
# generous: on a busy machine a frame under Wine can take a tenth of a second.

e2e_key() { # keysym [seconds held]
    xdotool keydown "$1"; sleep "${2:-0.15}"
    xdotool keyup "$1"; sleep 0.1
}

e2e_chord() { # modifier keysym, keysym
    xdotool keydown "$1"; sleep 0.05
    xdotool keydown "$2"; sleep 0.15
    xdotool keyup "$2"; sleep 0.05
    xdotool keyup "$1"; sleep 0.1
}

# Types text as characters (WM_CHAR); keys go down and up back to back.
e2e_type() { # text
    xdotool type --delay 40 "$1"; sleep 0.1
}

# Opens the prompt with Control+key, types the name and confirms with Return.
e2e_prompt() { # s or o, file name
    local stamp="$E2E_FOLDER/.before-$1"
    touch "$stamp"
    e2e_chord Control_L "$1"
    e2e_type "$2"
    e2e_key Return
    sleep 0.2
    # A save lands a frame or more after Return, later still on a busy
    # machine: wait (up to 5 s) until the file is newer than the keystrokes.
    if [ "$1" = s ] && [[ "$2" != */* ]]; then
        for _ in $(seq 1 50); do
            [ "$E2E_FOLDER/$2" -nt "$stamp" ] && break
            sleep 0.1
        done
    fi
    rm -f "$stamp"
}

# --- mouse, in client coordinates

e2e_screen_x() { echo $((E2E_CLIENT_X + $1)); }
e2e_screen_y() { echo $((E2E_CLIENT_Y + E2E_CLIENT_H - 1 - $1)); }

e2e_move() { # x y
    xdotool mousemove "$(e2e_screen_x "$1")" "$(e2e_screen_y "$2")"; sleep 0.12
}

e2e_down() { xdotool mousedown "${1:-1}"; sleep 0.2; }
e2e_up() { xdotool mouseup "${1:-1}"; sleep 0.15; }

e2e_click() { # x y [button]
    e2e_move "$1" "$2"
    e2e_down "${3:-1}"
    e2e_up "${3:-1}"
}

# Moves in a few steps, so that the program sees the motion over several frames.
e2e_glide() { # x0 y0 x1 y1
    local i steps=6
    for i in $(seq 1 $steps); do
        e2e_move $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps))
    done
}

e2e_drag() { # x0 y0 x1 y1
    e2e_move "$1" "$2"
    e2e_down
    e2e_glide "$@"
    e2e_up
}

# --- screenshots and pixels

# Takes a screenshot of the whole screen as raw RGB into $E2E_SHOT.
e2e_shot() { # name
    E2E_SHOT="$E2E_OUT/shots/$1.rgb"
    mkdir -p "$E2E_OUT/shots"
    import -window root -depth 8 "rgb:$E2E_SHOT"
}

# Writes the client area of the last screenshot as a PNG.
e2e_png() { # file
    convert -size 1920x1080 -depth 8 "rgb:$E2E_SHOT" \
        -crop "${E2E_CLIENT_W}x${E2E_CLIENT_H}+${E2E_CLIENT_X}+${E2E_CLIENT_Y}" +repage "$1"
}

e2e_probe() { "$E2E_PYTHON" "$e2e_root/tests/e2e/probe.py" "$@"; }

e2e_pixel() { e2e_probe pixel "$E2E_SHOT" "$E2E_CLIENT_X" "$E2E_CLIENT_Y" "$@"; }
e2e_count() { e2e_probe count "$E2E_SHOT" "$E2E_CLIENT_X" "$E2E_CLIENT_Y" "$@"; }
e2e_bbox() { e2e_probe bbox "$E2E_SHOT" "$E2E_CLIENT_X" "$E2E_CLIENT_Y" "$@"; }

# True when at least n pixels of the colour lie in the box (x0 y0 x1 y1).
e2e_has() { # x0 y0 x1 y1 colour [n]
    [ "$(e2e_count "$1" "$2" "$3" "$4" "$5")" -ge "${6:-1}" ]
}

# True when no pixel of the colour lies in the box.
e2e_lacks() { # x0 y0 x1 y1 colour
    [ "$(e2e_count "$@")" -eq 0 ]
}

# True when the rounded pose point is shown under the given colour.
e2e_point_is() { # x y colour
    e2e_has $(($1 - 1)) $(($2 - 1)) $(($1 + 1)) $(($2 + 1)) "$3" 5
}

# The floor's longest left dash (210..310 at y = 200) is white.
e2e_floor_shown() {
    e2e_has 215 198 305 202 white 60
}

# --- results

E2E_PASSED=0
E2E_FAILED=0

# Runs a check and prints PASS or FAIL with its description.
e2e_check() { # description, command...
    local what="$1"
    shift
    if "$@"; then
        echo "PASS $what"
        E2E_PASSED=$((E2E_PASSED + 1))
    else
        echo "FAIL $what"
        E2E_FAILED=$((E2E_FAILED + 1))
    fi
}
