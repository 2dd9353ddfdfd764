#!/usr/bin/env bash
# The emergency broadcast from the command line against the program without a display, on
# a sink that plays nothing: `qelt --emergency FILE` reaches the running copy and exits 0;
# the file plays again and again; an item due meanwhile passes with the reason "紧急广播";
# a second --emergency replaces the file; after --emergency-end the day goes on from the
# clock: the item rung before it does not ring again, the one passed does not ring late,
# and the next rings on its second. A request nobody can take exits 1, and another user
# cannot reach the running copy at all.
# usage: qelt_emergency_test.sh QELT QELT_TOOL
set -uo pipefail
qelt="$1"
tool="$2"
readonly kBeforeLead=6       # an item rings this long after start-up, before the emergency
readonly kPassedLead=11      # an item due while the emergency plays
readonly kAfterLead=19       # an item due after its end
readonly kEventWaitSeconds=20
readonly kRequestSeconds=10  # a request must be answered this soon
source "$(dirname "$0")/e2e_common.sh"

dump_logs() {
    dump_program_output
}

count_lines() {  # PATTERN
    grep -cE "$1" "$work/qelt.out"
}

request() {  # ARGS...: runs qelt with the arguments, bounded; its exit status
    timeout "$kRequestSeconds" "$qelt" --dir "$dir" "$@" > /dev/null 2>> "$work/request.err"
}

# A second of silence-free tone as a WAV file of LENGTH_MS.
write_tone() {  # PATH LENGTH_MS
    python3 - "$1" "$2" <<'PY'
import math, struct, sys, wave
rate = 8000
frames = int(rate * int(sys.argv[2]) / 1000)
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(rate)
    out.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i / 4))) for i in range(frames)))
PY
}

unset DISPLAY WAYLAND_DISPLAY QELT_EVENT_LOG
isolate_environment
make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kAfterLead"
before=$((due - kAfterLead + kBeforeLead))
passed=$((due - kAfterLead + kPassedLead))
python3 - "$work/day.json" "$weekday" "$before" "$passed" "$due" <<'PY'
import json, sys
path, weekday = sys.argv[1], int(sys.argv[2])
days = [[] for _ in range(7)]
for second, title in zip(sys.argv[3:6], ("预备", "第一节", "第二节")):
    days[weekday].append({"time": int(second), "autoPlay": 1, "kind": 0, "volume": 30,
                          "useDefaultVolume": 0, "fullPlay": 1, "limit": 0,
                          "path": "音乐库/上课铃.wav", "title": title, "musicName": "上课铃",
                          "runBefore": 0, "useDefaultParams": 1, "params": ""})
json.dump({"type": "timetable", "title": "应急演练", "days": days}, open(path, "w"),
          ensure_ascii=False)
PY
"$tool" build "$work/day.json" "$dir/作息表/参考作息表.zxb" || fail "qelt-tool build"
write_tone "$work/警报.wav" 700
write_tone "$work/疏散.wav" 900
cp "$dir/作息表/参考作息表.zxb" "$work/timetable.before"

"$qelt" --headless --dir "$dir" > "$work/qelt.out" 2> "$work/qelt.err" &
pid=$!
wait_for_line " next $(hms "$before") 预备$" "$kEventWaitSeconds" || fail "the first item is not next"

# Nothing to ask of the running copy yet.
request --emergency-end && fail "--emergency-end without an emergency exited 0"
request --emergency "$work/没有这个文件.wav" && fail "--emergency with a missing file exited 0"

wait_for_line " item $(hms "$before") \[预备\]" "$kEventWaitSeconds" || fail "the first item did not ring"

# Relative to the caller's folder, as a user types it.
(cd "$work" && timeout "$kRequestSeconds" "$qelt" --emergency 警报.wav) ||
    fail "--emergency was not taken"
wait_for_line " emergency 开始 命令行 $work/警报\.wav$" 2 || fail "the start was not logged"
wait_for_line " status 紧急广播中" 2 || fail "the status does not say so"
# The file repeats (0.7 s long: three plays within a few seconds).
deadline=$((SECONDS + 6))
until [ "$(count_lines " play $work/警报\.wav$")" -ge 3 ]; do
    [ $SECONDS -lt $deadline ] || fail "the emergency file did not repeat"
    sleep 0.1
done
# The item due meanwhile passes with its reason.
wait_for_line " skip $(hms "$passed") \[第一节\]\[上课铃\] 紧急广播$" "$kEventWaitSeconds" ||
    fail "the item due during the emergency did not pass with its reason"

# A second --emergency replaces the file.
request --emergency "$work/疏散.wav" || fail "the second --emergency was not taken"
wait_for_line " play $work/疏散\.wav$" 3 || fail "the second file does not play"
wait_for_line " emergency 更换 命令行 $work/疏散\.wav$" 1 || fail "the change was not logged"
request --emergency-end || fail "--emergency-end was not taken"
wait_for_line " emergency-end 命令行 持续[0-9]+秒$" 2 || fail "the end was not logged"
plays=$(count_lines " play ")

# Another user cannot reach the running copy: its socket lives in this user's own folder.
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
    chmod 755 "$work" && chmod 644 "$work/警报.wav"
    timeout "$kRequestSeconds" setpriv --reuid=65534 --regid=65534 --clear-groups \
        env HOME=/nonexistent "$qelt" --emergency "$work/警报.wav" > /dev/null 2>&1 &&
        fail "another user's --emergency was taken"
    sleep 1
    [ "$(count_lines " emergency 开始")" -eq 1 ] || fail "another user's request started one"
fi

# The day goes on: the next item rings on its second, nothing rings twice or late.
wait_for_line " item $(hms "$due") \[第二节\]" "$kEventWaitSeconds" || fail "the day did not go on"
[ "$(count_lines " item ")" -eq 2 ] || fail "an item rang twice or late"
[ "$(count_lines " item $(hms "$passed")")" -eq 0 ] || fail "the passed item rang late"
[ "$(count_lines " play ")" -eq $((plays + 1)) ] || fail "something else played after the end"
grep -qE " emergency-end 命令行 " "$dir/QELT.log" || fail "the bell log lacks the end"
grep -qE " skip .* 紧急广播$" "$dir/QELT.log" || fail "the bell log lacks the passed item"
cmp -s "$work/timetable.before" "$dir/作息表/参考作息表.zxb" || fail "the timetable changed"

kill -TERM "$pid"
wait "$pid"
pid=""
# With no running copy nobody takes it.
request --emergency "$work/警报.wav" && fail "--emergency without a running copy exited 0"
echo "emergency e2e: ok"
