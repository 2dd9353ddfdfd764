#!/usr/bin/env bash
# The program ended by the system with unsaved work: an item added through the list's
# context menu leaves the timetable modified, then SIGTERM. The program must end within two
# seconds without asking anything, keep the modified timetable as "NAME.unsaved" beside
# it and say so in the bell log. Run under xvfb-run; skipped without xdotool.
# usage: qelt_unsaved_test.sh QELT QELT_TOOL
set -uo pipefail
qelt="$1"
tool="$2"
readonly kLeadSeconds=600        # the item lies well ahead: nothing rings during the test
readonly kStartWaitSeconds=30
readonly kExitWaitMs=2000        # the program must end this soon after SIGTERM
source "$(dirname "$0")/e2e_common.sh"

command -v xdotool > /dev/null || { echo "SKIP: no xdotool"; exit $kSkip; }

dump_logs() {
    echo "--- event log"; cat "$work/events.log" 2>/dev/null
    echo "--- bell log"; cat "$dir/QELT.log" 2>/dev/null
    echo "--- program output"; tail -n 40 "$work/qelt.out" 2>/dev/null
    echo "--- timetable folder"; ls -la "$dir/作息表" 2>/dev/null
}

isolate_environment
export QT_QPA_PLATFORM=xcb
export QELT_EVENT_LOG="$work/events.log"

make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kLeadSeconds"
timetable="$dir/作息表/参考作息表.zxb"
write_timetable "$work/t.json" "$due" 1 "端到端"
"$tool" build "$work/t.json" "$timetable" || fail "qelt-tool build"
rm -f "$timetable".unsaved*
# The list view rather than the pending view, so a right click lands on the list.
python3 - "$dir/QELT.INI" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="gb18030").read().replace("[设置]\n", "[设置]\n显示待播=0\n", 1)
open(path, "w", encoding="gb18030").write(text)
PY

"$qelt" --dir "$dir" > "$work/qelt.out" 2>&1 &
pid=$!
wait_for_match "$work/events.log" '^[0-9-]+ [0-9:]+ start( |$)' "$kStartWaitSeconds" ||
    fail "no start event"

# A right click on the list opens its context menu, whose first entry "新建作息项(&A)" opens the item editor, and Enter adds the item.
window=$(xdotool search --name 'Varnel V1.3' | head -n1)
[ -n "$window" ] || fail "no main window"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT * 3 / 4)) click 3
sleep 0.5
xdotool key a
sleep 1
xdotool key Return
# The item editor closes on Enter and the list takes the item; give it a moment.
sleep 1.5
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"

started=$(date +%s%N)
kill -TERM "$pid"
while kill -0 "$pid" 2>/dev/null; do
    if [ $((($(date +%s%N) - started) / 1000000)) -gt $kExitWaitMs ]; then
        fail "the program was still running ${kExitWaitMs} ms after SIGTERM"
    fi
    sleep 0.05
done
wait "$pid"
echo "program ended with status $?"
pid=""

[ -f "$timetable.unsaved" ] || fail "no $timetable.unsaved"
grep -qF "unsaved $timetable.unsaved" "$dir/QELT.log" || fail "the bell log does not name the copy"
"$tool" dump "$timetable.unsaved" > "$work/unsaved.json" || fail "the copy does not read"
[ "$("$tool" dump "$timetable" | grep -c '"time"')" -eq 1 ] || fail "the timetable itself changed"
[ "$(grep -c '"time"' "$work/unsaved.json")" -eq 2 ] || fail "the copy lacks the added item"
echo "unsaved: ok"
