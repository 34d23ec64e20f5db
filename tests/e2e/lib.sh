# Shared machinery of the end-to-end scripts: runs the real program in a
# working folder (marionette.exe under Wine from build/win64, or the native
# marionette from build/linux), drives it with X input events and reads what
# it shows. Source it, then call e2e_init <build dir> <out dir>.

# Positions are client coordinates as the program counts them: origin at the
# bottom-left corner of the 1280x720 client area, y up.

e2e_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
E2E_LAUNCHER="" E2E_PASSED=0 E2E_FAILED=0

# Sets up the display, the Wine prefix of the build tree and the out folder.
# Outside a session (scripts/session) the script opens its own, so that its
# Xvfb is private and its Wine server is ended with it; the program is always
# stopped when the script exits.
e2e_init() { # build dir, out dir
    E2E_BUILD="$(cd "$1" && pwd)" || return 1
    E2E_EXE="$E2E_BUILD/marionette.exe" E2E_NATIVE=""
    [ -f "$E2E_EXE" ] || E2E_EXE="$E2E_BUILD/marionette" E2E_NATIVE=1
    mkdir -p "$2/shots" && E2E_OUT="$(cd "$2" && pwd)" || return 1
    export WINEPREFIX="$E2E_BUILD/wineprefix"
    # Every run starts from the default export look: the native program's
    # settings live in the out folder, the Windows program's in the prefix.
    export XDG_CONFIG_HOME="$E2E_OUT/config"
    rm -rf "$XDG_CONFIG_HOME"
    [ ! -d "$WINEPREFIX/drive_c/users" ] || find "$WINEPREFIX/drive_c/users" -path "*/Marionette Room/settings.ini" -delete
    if [ -z "${MARIONETTE_SESSION:-}" ]; then
        . "$e2e_root/scripts/session"
        session_begin
        unset DISPLAY
    fi
    trap 'e2e_stop; declare -F session_end >/dev/null && session_end' EXIT
    trap 'exit 130' INT TERM
    [ -n "${DISPLAY:-}" ] || DISPLAY="$("$e2e_root/scripts/xvfb-start")" || return 1
    export DISPLAY
    # xdotool reads the text it types in the locale: UTF-8 whatever the caller's.
    export LC_ALL=C.UTF-8
}

# Starts the program in a working folder and waits (30 s at most) for its
# window: titled "Marionette Room" and of the client size, since Wine maps a
# window small first and without a window manager the X window is the client.
e2e_start() { # folder
    E2E_FOLDER="$1"
    if [ -n "$E2E_NATIVE" ]; then (cd "$1" && exec "$E2E_EXE") >"$1.log" 2>&1 &
    else (cd "$1" && exec "$e2e_root/scripts/wine-env" "$E2E_EXE") >"$1.log" 2>&1 &
    fi
    E2E_LAUNCHER=$!
    for _ in $(seq 300); do
        for window in $(xdotool search --name '^Marionette Room$' 2>/dev/null); do
            X=0 Y=0 WIDTH=0 HEIGHT=0 && eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)"
            E2E_WINDOW="$window" E2E_GEOMETRY="$X $Y $WIDTH $HEIGHT" E2E_CLIENT_X="$X" E2E_CLIENT_Y="$Y"
            [ "$WIDTH x $HEIGHT" = "1280 x 720" ] && return 0
        done
        e2e_running || break
        sleep 0.1
    done
    echo "no window appeared; log:" >&2
    cat "$1.log" >&2
    return 1
}

e2e_running() { [ -n "$E2E_LAUNCHER" ] && kill -0 "$E2E_LAUNCHER" 2>/dev/null; }

# Closes the program with Alt+F4 and returns its exit status; one that has
# not ended after 5 s is killed (under Wine with the prefix's Wine server)
# and fails, as the launcher's status would still be 0.
e2e_quit() {
    e2e_key Alt_L+F4
    for _ in $(seq 50); do e2e_running || break; sleep 0.1; done
    if e2e_running; then
        if [ -n "$E2E_NATIVE" ]; then kill "$E2E_LAUNCHER"; else wineserver -k; fi
        wait "$E2E_LAUNCHER"; return 1
    fi
    wait "$E2E_LAUNCHER"
}

e2e_stop() { if e2e_running; then e2e_quit; fi; }

# Waits until a screenshot satisfies a check (a command that reads $E2E_SHOT).
e2e_wait_for() { # seconds, command...
    local deadline=$((SECONDS + $1))
    until e2e_shot wait && "${@:2}"; do
        [ "$SECONDS" -lt "$deadline" ] && e2e_running || return 1
        sleep 0.2
    done
}

# --- input. Every key is held for several frames, because a press and a
# release that arrive between two polls read only as Released. The program
# paces itself to the display, about 17 ms a frame at 60 Hz, and on a busy
# machine a frame under Wine can take a tenth of a second: a key is held
# 0.15 s, a mouse button 0.2 s, and a typed character 40 ms down and 40 ms up
# (xdotool splits its delay between the two), over two frames each. A
# modifier goes down before its key and up after it: Wine ignores an Alt+F4
# whose keys go up together.

e2e_key() { # keysym or modifier+keysym, [seconds held]
    [[ "$1" != *+* ]] || { xdotool keydown "${1%+*}"; sleep 0.05; }
    xdotool keydown "${1#*+}"; sleep "${2:-0.15}"
    xdotool keyup "${1#*+}"; sleep 0.1
    [[ "$1" != *+* ]] || { xdotool keyup "${1%+*}"; sleep 0.1; }
}

# Types text as characters (WM_CHAR). xdotool types a character the key map
# lacks (é) by mapping a spare key, pressing it and mapping it back; a program
# that reads the key only after the map is back (Wine on a busy machine) gets
# nothing, so such text is typed slowly.
e2e_type() {
    local delay=80
    [[ "$1" != *[![:ascii:]]* ]] || delay=300
    xdotool type --delay "$delay" "$1"
    sleep 0.1
}

# Opens the prompt with Control+s or o, types the name and presses Return; a
# save lands a frame or more later, so it waits (5 s at most) for the file.
e2e_prompt() { # s or o, file name
    touch "$E2E_FOLDER/.stamp"
    e2e_key "Control_L+$1" && e2e_type "$2" && e2e_key Return
    sleep 0.2
    for _ in $(seq 50); do [ "$1" = o ] || [ "$E2E_FOLDER/$2" -nt "$E2E_FOLDER/.stamp" ] && break; sleep 0.1; done
}

# Waits (10 s at most) for an export's three files; a busy machine can take
# more than a second over them.
e2e_exported() { # path without the extension
    for _ in $(seq 100); do [ -s "$1.png" ] && [ -s "$1.json" ] && [ -s "$1.gif" ] && return 0; sleep 0.1; done
    return 1
}

e2e_move() { xdotool mousemove $((E2E_CLIENT_X + $1)) $((E2E_CLIENT_Y + 719 - $2)); sleep 0.12; } # x y

e2e_down() { xdotool mousedown 1; sleep 0.2; }
e2e_up() { xdotool mouseup 1; sleep 0.15; }
e2e_click() { e2e_move "$1" "$2"; e2e_down; e2e_up; }

# Moves from x0 y0 to x1 y1 in six steps, so that the program sees the motion over several frames.
e2e_glide() { for i in 1 2 3 4 5 6; do e2e_move $(($1 + ($3 - $1) * i / 6)) $(($2 + ($4 - $2) * i / 6)); done; }

e2e_drag() { e2e_move "$1" "$2"; e2e_down; e2e_glide "$@"; e2e_up; }

# --- screenshots and pixels

# Takes a screenshot of the whole screen as raw RGB into $E2E_SHOT.
e2e_shot() { E2E_SHOT="$E2E_OUT/shots/$1.rgb" && import -window root -depth 8 "rgb:$E2E_SHOT"; } # name

e2e_probe() { python3 "$e2e_root/tests/e2e/probe.py" "$@"; }

# True when at least n pixels of the colour lie in the box: x0 y0 x1 y1 colour [n].
e2e_has() { [ "$(e2e_probe count "$E2E_SHOT" "$E2E_CLIENT_X" "$E2E_CLIENT_Y" "${@:1:5}")" -ge "${6:-1}" ]; }

# The floor's longest left dash (210..310 at y = 200) is white.
e2e_floor_shown() { e2e_has 215 198 305 202 white 60; }

# Runs a check and prints PASS or FAIL with its description.
e2e_check() { # description, command...
    if "${@:2}"; then echo "PASS $1" && E2E_PASSED=$((E2E_PASSED + 1)); else
        echo "FAIL $1" && E2E_FAILED=$((E2E_FAILED + 1)); fi
}
