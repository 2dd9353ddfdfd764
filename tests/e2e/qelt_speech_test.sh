#!/usr/bin/env bash
# Announcements rung by the program without a display, with espeak-ng behind a wrapper
# that counts its runs and fails on purpose for one text, into a WAV file sink:
# - a common track of a bell and a text plays the bell, then the speech, and the speech
#   is sound (measured, not assumed) as long as the spoken WAV;
# - an empty text and a text the engine fails on are logged with their reasons, and the
#   day goes on;
# - a text rung a second time plays on its second from the cache: the engine ran once.
# usage: qelt_speech_test.sh QELT QELT_TOOL
set -uo pipefail
qelt="$1"
tool="$2"
readonly kCommonLead=8   # the bell and the text
readonly kEmptyLead=16   # an empty text
readonly kFailLead=19    # a text the engine fails on
readonly kAgainLead=22   # the first text again, as a single file
readonly kEventWaitSeconds=20
source "$(dirname "$0")/e2e_common.sh"

dump_logs() {
    dump_program_output
    echo "--- engine runs"; cat "$work/runs" 2>/dev/null
}

if ! command -v espeak-ng > /dev/null; then
    echo "SKIP: espeak-ng is not installed (make deps installs it)"
    exit $kSkip
fi

unset DISPLAY WAYLAND_DISPLAY QELT_EVENT_LOG
isolate_environment
export XDG_CACHE_HOME="$work/cache"
export QELT_AUDIO_SINK="wavenc ! filesink append=true location=$work/out.wav"
make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kAgainLead"
start=$((due - kAgainLead))
printf '\xef\xbb\xbf请同学们回到教室，准备上课。\n' > "$dir/音乐库/通知.txt"
: > "$dir/音乐库/空白.txt"
echo '故障演练' > "$dir/音乐库/故障.txt"

python3 - "$work" "$weekday" "$start" "$kCommonLead" "$kEmptyLead" "$kFailLead" "$kAgainLead" <<'PY'
import json, sys
work, weekday, start = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
leads = [int(v) for v in sys.argv[4:8]]
def track(path):
    return {"path": path, "fullPlay": 1, "length": -1, "limit": 0, "autoPlay": 1,
            "volume": 100, "useDefaultVolume": 1}
json.dump({"type": "commonTracks", "tracks": [
    {"name": "铃声通知", "order": 1, "main": track("音乐库/上课铃.wav"),
     "secondary": track("音乐库/通知.txt")}]}, open(work + "/tracks.json", "w"),
    ensure_ascii=False)
items = []
for lead, title, kind, path, name in zip(
        leads, ("上课", "空白", "故障", "再播"), (1, 0, 0, 0),
        ("", "音乐库/空白.txt", "音乐库/故障.txt", "音乐库/通知.txt"),
        ("铃声通知", "空白", "故障", "通知")):
    items.append({"time": start + lead, "autoPlay": 1, "kind": kind, "volume": 100,
                  "useDefaultVolume": 1, "fullPlay": 1, "limit": 0, "path": path,
                  "title": title, "musicName": name, "runBefore": 0, "useDefaultParams": 1,
                  "params": ""})
days = [[] for _ in range(7)]
days[weekday] = items
json.dump({"type": "timetable", "title": "播报", "days": days}, open(work + "/day.json", "w"),
          ensure_ascii=False)
PY
"$tool" build "$work/tracks.json" "$dir/作息表/M2list.dat" || fail "qelt-tool build tracks"
"$tool" build "$work/day.json" "$dir/作息表/参考作息表.zxb" || fail "qelt-tool build timetable"
# The engine: espeak-ng behind a script that notes each text and fails on one.
cat > "$work/speak.sh" <<EOF
#!/bin/sh
echo "\$2" >> "$work/runs"
case "\$2" in *故障*) exit 3;; esac
exec espeak-ng -v cmn-latn-pinyin -s 170 -w "\$1" "\$2"
EOF
chmod +x "$work/speak.sh"
printf '[语音]\n播报引擎=%s {wav} {text}\n' "$work/speak.sh" | iconv -f UTF-8 -t GB18030 >> "$dir/QELT.INI"

"$qelt" --headless --dir "$dir" > "$work/qelt.out" 2> "$work/qelt.err" &
pid=$!
wait_for_line " play .*/通知\.txt$" $((kAgainLead + kEventWaitSeconds)) ||
    fail "the common track's text did not play"
wait_for_line " item $(hms $((start + kAgainLead))) \[再播\]" \
    $((kAgainLead + kEventWaitSeconds)) || fail "the last item did not ring"
# The last text ends: a " finished" after its second play.
deadline=$((SECONDS + kEventWaitSeconds))
until [ "$(grep -c " play .*/通知\.txt$" "$work/qelt.out")" -ge 2 ] &&
    grep -E " play | finished$" "$work/qelt.out" | tail -1 | grep -qE " finished$"; do
    [ $SECONDS -lt $deadline ] || fail "the last text did not finish"
    sleep 0.1
done

out="$work/qelt.out"
# The common track: the bell, then the text.
grep -E " play " "$out" | head -2 | grep -qE "上课铃\.wav$" || fail "the bell did not play first"
grep -E " play " "$out" | sed -n 2p | grep -qE "通知\.txt$" || fail "the text did not follow"
# The failures, with their reasons, and the day went on past them.
grep -qE " openfailed .*/空白\.txt$" "$out" || fail "the empty text was not reported"
grep -qE " speechfailed .*/空白\.txt：文本为空$" "$out" || fail "the empty text has no reason"
grep -qE " speechfailed .*/故障\.txt：播报引擎出错（退出码 3）$" "$out" ||
    fail "the failing engine has no reason"
grep -qE " speechfailed .*：" "$dir/QELT.log" || fail "the bell log lacks the reasons"
# Rung a second time on its second, from the cache: one synthesis of the text in all.
again=$(grep -E " play .*/通知\.txt$" "$out" | tail -1 | cut -c12-19)
[ "$again" = "$(hms $((start + kAgainLead)))" ] || fail "the text rang again at $again"
[ "$(grep -c '请同学们' "$work/runs")" -eq 1 ] || fail "the text was synthesised more than once"
[ "$(find "$XDG_CACHE_HOME/qelt/speech" -name '*.wav' | wc -l)" -eq 1 ] ||
    fail "the cache does not hold the one spoken text"

kill -TERM "$pid"
wait "$pid"
pid=""

# What reached the sink: one WAV per track, appended. The bell, then the speech twice, each
# of them sound, the speech as long as the cached WAV.
python3 - "$work/out.wav" "$(find "$XDG_CACHE_HOME/qelt/speech" -name '*.wav')" <<'PY' ||
import array, math, struct, sys, wave
data = open(sys.argv[1], "rb").read()
starts = [i for i in range(len(data) - 12) if data[i:i + 4] == b"RIFF" and
          data[i + 8:i + 16] == b"WAVEfmt "]
tracks = []
for start, end in zip(starts, starts[1:] + [len(data)]):
    channels, rate = struct.unpack("<HI", data[start + 22:start + 28])
    samples = array.array("h", data[start + 44:end - (end - start - 44) % 2])
    if len(samples) < channels * rate // 10:
        continue  # a header written again at the end of a track, or a stray preroll
    rms = math.sqrt(sum(s * s for s in samples) / len(samples))
    tracks.append((len(samples) / channels / rate, rms))
with wave.open(sys.argv[2]) as spoken:
    speech = spoken.getnframes() / spoken.getframerate()
print("tracks (seconds, rms):", [(round(s, 2), round(r)) for s, r in tracks],
      "speech:", round(speech, 2))
assert len(tracks) == 3, "expected the bell and the speech twice"
assert all(rms > 300 for _, rms in tracks), "a track is silent"
for seconds, _ in tracks[1:]:
    assert abs(seconds - speech) < 0.3, "the speech did not play whole"
PY
    fail "the sound that reached the sink is not the bell and the speech"
echo "speech e2e: ok"
