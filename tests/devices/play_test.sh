#!/usr/bin/env bash
# Plays through a real sound server: a private PulseAudio with a null sink whose monitor is
# recorded, so the test hears what a user would. Also checks that without any sound server
# playing fails cleanly with a message.
set -euo pipefail
cli=$1
demo=$2
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
    pkill -INT -f "parec.*$work" 2>/dev/null || true
    pulseaudio --kill 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# No sound server: a clear message and exit status 1, no crash.
set +e
"$cli" play "$demo" --riff intro >"$work/out" 2>"$work/err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "without a sound server play exited $status"
grep -q "no sound output" "$work/err" || fail "no message without a sound server: $(cat "$work/err")"

pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=yes -n \
    --load="module-null-sink sink_name=null rate=44100 channels=2 norewinds=1" \
    --load="module-native-protocol-unix auth-anonymous=1" 2>/dev/null
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
if ! pactl info >/dev/null 2>&1; then
    echo "SKIP: a private PulseAudio server could not start here"
    exit 77
fi

parec -d null.monitor --latency-msec=10 --file-format=wav "$work/heard.wav" &
sleep 0.3
start=$(date +%s%N)
"$cli" play "$demo" --riff "bass line" --master 80 >"$work/out" 2>"$work/err" \
    || fail "play failed: $(cat "$work/err")"
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
sleep 0.3
kill -INT %1
wait %1 2>/dev/null || true

grep -q "^Render Time .* Play Time 00:00:05\. .*Level" "$work/out" || fail "status: $(cat "$work/out")"
# The bass line lasts 5.6 s at 96 bpm: play waits for it (the sink reports the end a little
# before the last samples are heard).
[ "$elapsed_ms" -ge 5000 ] || fail "play returned after $elapsed_ms ms"
peak=$(sox "$work/heard.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.05) }' || fail "nothing was heard (peak $peak)"
# From the first sound to the last: the riff's notes last 5.625 s; the end must not be cut.
sox "$work/heard.wav" "$work/sound.wav" silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
length=$(sox "$work/sound.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
awk -v l="$length" 'BEGIN { exit !(l >= 5.50 && l < 6.2) }' || fail "heard $length s of sound"
# A song starts to sound after its first row while the rest renders. Here the first row is one
# thirty-second note (0.08 s) and the second the verse (7.66 s): the device takes the first row
# at once, waits at the end of what is rendered until the verse is, and plays on to the end.
{
    printf 'T\tBlip\t-8\t-3\t2\t7\t11\t16\t-\t-\t96\t4\t4\t1\r\n'
    printf 'N\t3\t-\t-\t-\t-\t-\t-\t-\t5\t0\r\n'
    grep -a '^[TNI]' "$demo"
    printf 's\t1\tBlip\r\ns\t1\tVerse\r\ns\t1\tBlip\r\n'
} >"$work/rows.zvp"
parec -d null.monitor --latency-msec=10 --file-format=wav "$work/rows.wav" &
recorder=$!
sleep 0.3
start=$(date +%s%N)
"$cli" play "$work/rows.zvp" --master 60 >"$work/out" 2>"$work/err" \
    || fail "playing the song failed: $(cat "$work/err")"
song_ms=$(( ($(date +%s%N) - start) / 1000000 ))
sleep 0.3
kill -INT "$recorder"
wait "$recorder" 2>/dev/null || true
grep -q "Play Time 00:00:07\." "$work/out" || fail "song status: $(cat "$work/out")"
[ "$song_ms" -ge 7100 ] || fail "the song returned after $song_ms ms"
sox "$work/rows.wav" "$work/rows-sound.wav" silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
song_length=$(sox "$work/rows-sound.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
awk -v l="$song_length" 'BEGIN { exit !(l >= 7.4 && l < 8.2) }' \
    || fail "heard $song_length s of the 7.81 s song"

# Ctrl+C stops a song at once (the whole demo song lasts 45 s).
"$cli" play "$demo" --master 10 >"$work/song" 2>&1 &
player=$!
sleep 1.5
stop_at=$(date +%s%N)
kill -INT "$player"
set +e
wait "$player"
status=$?
set -e
stop_ms=$(( ($(date +%s%N) - stop_at) / 1000000 ))
[ "$status" -eq 130 ] || fail "Ctrl+C gave exit status $status: $(cat "$work/song")"
[ "$stop_ms" -lt 2000 ] || fail "stopping took $stop_ms ms"

echo "play: heard $length s, peak $peak, returned after $elapsed_ms ms;" \
    "song of rows heard $song_length s"
