#!/usr/bin/env bash
# The program without a display, end to end: a temporary program folder whose item is due a
# few seconds after start-up must play on its second (seen on standard output and in the
# bell log); a timetable file replaced on disk the way an editor replaces it must move the
# next item, and a new item that waits to be started by hand must be loaded as waiting;
# settings that name another timetable, copied in with a new common track, must ring that
# timetable's item with that track; a second copy of either kind must leave the first alone
# and end; a day calendar copied in must make today a holiday; SIGTERM must end the
# program within a second; a reader of standard output that goes away must not end it.
# The sample plug-in in the folder is loaded and its status text logged.
# usage: qelt_headless_test.sh QELT QELT_TOOL SAMPLE_PLUGIN
set -uo pipefail
qelt="$1"
tool="$2"
plugin="$3"
readonly kLeadSeconds=6          # the first item is due this long after the program starts
readonly kNextLeadSeconds=5      # a replacing timetable's item is due this long after it
readonly kEventWaitSeconds=20    # longest wait for any expected line
readonly kReloadWaitSeconds=3    # the replaced timetable must be read this soon
readonly kSecondCopySeconds=10   # a second copy must be gone by then
readonly kExitWaitMs=1000        # the program must end this soon after SIGTERM
source "$(dirname "$0")/e2e_common.sh"

dump_logs() {
    dump_program_output
}

second_of_line() {  # PATTERN
    second_of_match "$work/qelt.out" "$1"
}

# Puts FILE in place of TARGET in one step, the way an editor saves, then expects the item
# TITLE due at second DUE to become next at once and the line EVENT (what the item does on
# its second, named by DOING) to come on that second or the tick just after it.
replace_and_expect() {  # FILE TARGET DUE TITLE EVENT DOING
    mv -f "$1" "$2"
    wait_for_line " next $(hms "$3") $4\$" "$kReloadWaitSeconds" ||
        fail "replacing $2 did not make $4 next within ${kReloadWaitSeconds} s"
    wait_for_line "$5" "$kEventWaitSeconds" || fail "the item due at second $3 was not $6"
    local at
    at=$(second_of_line "$5")
    [ "$at" -ge "$3" ] && [ "$at" -le $(($3 + 1)) ] ||
        fail "the item due at second $3 was $6 at second $at"
}

# No display at all; nothing the program does may reach the real user's settings, sound
# card or power button.
unset DISPLAY WAYLAND_DISPLAY
isolate_environment
unset QELT_EVENT_LOG

make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kLeadSeconds"
timetable="$dir/作息表/参考作息表.zxb"
write_timetable "$work/first.json" "$due" 1 "第一节"
"$tool" build "$work/first.json" "$timetable" || fail "qelt-tool build"
cp "$plugin" "$dir/" || fail "no sample plug-in $plugin"

"$qelt" --headless --dir "$dir" > "$work/qelt.out" 2> "$work/qelt.err" &
pid=$!
wait_for_line "^[0-9-]+ [0-9:]+ start " "$kEventWaitSeconds" || fail "no start line"
wait_for_line " next $(hms "$due") 第一节$" "$kEventWaitSeconds" || fail "the item is not next"
wait_for_line " plugin 示例插件 $dir/" "$kEventWaitSeconds" || fail "the plug-in was not loaded"
wait_for_line " status notify 1 $dir/$" "$kEventWaitSeconds" || fail "the plug-in's text was not logged"

# A second copy of either kind finds the first and ends at once, leaving it running.
timeout "$kSecondCopySeconds" "$qelt" --headless --dir "$dir" > "$work/second.out" 2> "$work/second.err"
rc=$?
[ $rc -eq 0 ] || fail "the second headless copy ended with $rc (124: still running)"
grep -qx "qelt: another copy is already running" "$work/second.err" ||
    fail "the second headless copy did not say why it ended: $(cat "$work/second.err")"
QT_QPA_PLATFORM=offscreen timeout "$kSecondCopySeconds" "$qelt" --dir "$dir" > "$work/window.out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "the windowed copy ended with $rc (124: still running)"
[ "$(grep -cE '^[0-9-]+ [0-9:]+ start ' "$work/qelt.out")" -eq 1 ] || fail "a second copy started"
kill -0 "$pid" 2>/dev/null || fail "the first copy ended when a second one started"

# The item plays on its second (or the tick just after it).
wait_for_line ' play .*/音乐库/上课铃\.wav$' "$kEventWaitSeconds" || fail "the item did not play"
played_at=$(second_of_line ' play ')
[ "$played_at" -ge "$due" ] && [ "$played_at" -le $((due + 1)) ] ||
    fail "the item due at second $due played at second $played_at"
grep -qE ' play .*/音乐库/上课铃\.wav$' "$dir/QELT.log" || fail "the bell log lacks the play line"
grep -qE ' status ' "$dir/QELT.log" && fail "the bell log holds the countdown's status lines"

# An editor elsewhere replaces the timetable in one step: the new item, started by hand,
# becomes next and is loaded to wait for Play on its second.
now=$(date +%s)
second_due=$((now - midnight + kNextLeadSeconds))
write_timetable "$work/second.json" "$second_due" 0 "第二节"
"$tool" build "$work/second.json" "$work/new.zxb" || fail "qelt-tool build"
replace_and_expect "$work/new.zxb" "$timetable" "$second_due" 第二节 \
    ' waiting .*/音乐库/上课铃\.wav$' "loaded to wait"
[ "$(grep -c ' play ' "$work/qelt.out")" -eq 1 ] || fail "the item started by hand played by itself"

# Settings naming another timetable are copied in with a common-track store holding a new
# track; the other timetable's item rings that track.
now=$(date +%s)
third_due=$((now - midnight + kNextLeadSeconds))
cat > "$work/tracks.json" <<'JSON'
{"type": "commonTracks", "tracks": [{"name": "考试铃", "order": 0,
  "main": {"path": "音乐库/提示音.ogg", "fullPlay": 1, "length": -1, "limit": 0,
           "autoPlay": 1, "volume": 100, "useDefaultVolume": 1},
  "secondary": {"path": "", "fullPlay": 1, "length": -1, "limit": 0, "autoPlay": 1,
                "volume": 100, "useDefaultVolume": 1}}]}
JSON
"$tool" build "$work/tracks.json" "$work/M2list.dat" || fail "qelt-tool build (common tracks)"
mv -f "$work/M2list.dat" "$dir/作息表/M2list.dat"
write_timetable "$work/third.json" "$third_due" 1 "第三节" 1 "考试铃"
"$tool" build "$work/third.json" "$dir/作息表/考试.zxb" || fail "qelt-tool build"
python3 - "$dir/QELT.INI" "$work/QELT.INI" <<'PY'
import sys
text = open(sys.argv[1], encoding="gb18030").read()
assert "作息表=作息表/参考作息表.zxb" in text
open(sys.argv[2], "w", encoding="gb18030", newline="").write(
    text.replace("作息表=作息表/参考作息表.zxb", "作息表=作息表/考试.zxb"))
PY
replace_and_expect "$work/QELT.INI" "$dir/QELT.INI" "$third_due" 第三节 \
    ' play .*/音乐库/提示音\.ogg$' "played"

# A day calendar copied in that makes today a holiday is read at once.
date -d "@$now" +%F > "$work/节假日.txt"
mv -f "$work/节假日.txt" "$dir/作息表/节假日.txt"
wait_for_line ' holiday 今日为节假日，不播放作息项$' "$kReloadWaitSeconds" ||
    fail "the day calendar copied in was not read within ${kReloadWaitSeconds} s"

kill -TERM "$pid"
started=$(date +%s%N)
while kill -0 "$pid" 2>/dev/null; do
    [ $(( ($(date +%s%N) - started) / 1000000 )) -le "$kExitWaitMs" ] ||
        fail "the program was still running ${kExitWaitMs} ms after SIGTERM"
    sleep 0.05
done
wait "$pid"
rc=$?
pid=""
[ $rc -eq 0 ] || fail "the program ended with status $rc after SIGTERM"
tail -n 1 "$work/qelt.out" | grep -qE ' exit$' || fail "the exit was not logged last"
# Standard output whose reader has gone costs the lines, not the bells.
python3 - "$qelt" --headless --dir "$dir" 2> "$work/qelt.err" <<'PY' &
import os, signal, sys
read_end, write_end = os.pipe()
os.close(read_end)
os.dup2(write_end, 1)
signal.signal(signal.SIGPIPE, signal.SIG_DFL)
os.execv(sys.argv[1], sys.argv[1:])
PY
pid=$!
deadline=$((SECONDS + kEventWaitSeconds))
until [ "$(grep -cE '^[0-9-]+ [0-9:]+ start ' "$dir/QELT.log")" -ge 2 ]; do
    [ $SECONDS -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null || fail "no second start"
    sleep 0.1
done
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended when its standard output went away"
kill -TERM "$pid"
wait "$pid"
rc=$?
pid=""
[ $rc -eq 0 ] || fail "the program without standard output ended with status $rc"
tail -n 1 "$dir/QELT.log" | grep -qE ' exit$' || fail "the bell log does not end with the exit"
echo "headless e2e: ok"
