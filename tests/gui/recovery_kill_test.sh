#!/usr/bin/env bash
# A killed editor's unsaved changes come back at the next start. Under a virtual X server with
# a window manager: open a copy of the demo project, insert a rest, wait for the recovery copy,
# kill the editor with SIGKILL, start it again, answer Recover, save, and find the rest in the
# project file; a clean exit leaves no copy behind. Exit 77 (skipped) without Xvfb, xdotool or
# openbox.
set -u
zelvane=$1
demo=$2
for tool in Xvfb xdotool openbox; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: skipped"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The settings file lives beside the program: a copy of it keeps the build's folder clean.
cp "$zelvane" "$work/zelvane"
printf 'AutosaveSeconds\t1\r\n' >"$work/zelvane.ini"
cp "$demo" "$work/song.zvp"
export HOME=$work XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0
unset WAYLAND_DISPLAY
recovery=$work/state/zelvane/recovery

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Waits up to 30 s for a visible window whose title matches; prints its id.
window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; }
copies() { ls "$recovery"/*.recovery 2>/dev/null | wc -l; }
notes() { grep -c $'^N\t' "$1"; }

"$work/zelvane" -nosplash "$work/song.zvp" &
editor=$!
pids+=($editor)
main=$(window "Zelvane Editor - ")
[ -n "$main" ] || fail "the editor's window did not show"
xdotool windowactivate --sync "$main"
sleep 0.5
xdotool key Insert
for _ in $(seq 100); do [ "$(copies)" = 1 ] && break; sleep 0.1; done
[ "$(copies)" = 1 ] || fail "no recovery copy after an edit"
kill -9 "$editor"
wait "$editor" 2>/dev/null
[ "$(copies)" = 1 ] || fail "the copy did not outlive the killed editor"

"$work/zelvane" -nosplash &
editor=$!
pids+=($editor)
# The question shows over the untitled main window: two windows of the program's title.
for _ in $(seq 300); do
    [ "$(xdotool search --onlyvisible --name '^Zelvane Editor$' 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
done
sleep 0.5
xdotool key 1 # Recover
main=$(window "Zelvane Editor - $work/song.zvp")
[ -n "$main" ] || fail "the recovered project did not open under its own path"
xdotool windowactivate --sync "$main"
sleep 0.5
xdotool key ctrl+s
for _ in $(seq 100); do [ "$(copies)" = 0 ] && break; sleep 0.1; done
[ "$(copies)" = 0 ] || fail "Save left the recovery copy"
[ "$(notes "$work/song.zvp")" = $(($(notes "$demo") + 1)) ] ||
    fail "the saved project does not hold the rest typed before the kill"

xdotool key Insert # another edit, then a clean exit that discards it
sleep 2.5
[ "$(copies)" = 1 ] || fail "no recovery copy after the second edit"
xdotool key alt+F4
sleep 1
xdotool key 2 # Discard
for _ in $(seq 100); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
kill -0 "$editor" 2>/dev/null && fail "the editor did not close"
[ "$(copies)" = 0 ] || fail "a clean exit left the recovery copy"
echo "recovered after SIGKILL"
