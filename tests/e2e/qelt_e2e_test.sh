#!/usr/bin/env bash
# The program end to end on a virtual X display: a temporary program folder whose item is
# due a few seconds after start-up, a second copy that must hand over to the first and
# leave, and the first copy ended by its process id. Run under xvfb-run.
# usage: qelt_e2e_test.sh QELT QELT_TOOL
set -uo pipefail
qelt="$1"
tool="$2"
readonly kLeadSeconds=8          # the item is due this long after the program starts
readonly kPlayWaitSeconds=30     # longest wait for the item to start playing
readonly kSecondCopySeconds=10   # a second copy must be gone by then
readonly kExitWaitSeconds=10     # the first copy must end this soon after SIGTERM
source "$(dirname "$0")/e2e_common.sh"

dump_logs() {
    echo "--- event log"; cat "$work/events.log" 2>/dev/null
    echo "--- program output"; tail -n 40 "$work/qelt.out" 2>/dev/null
}

wait_for_event() {  # PATTERN SECONDS
    wait_for_match "$work/events.log" "$@"
}

# The visible top-level windows whose title holds the program's caption.
main_windows() {
    local id
    for id in $(xwininfo -root -children | grep -F 'Varnel V1.3' | awk '{print $1}'); do
        xwininfo -id "$id" | grep -q 'Map State: IsViewable' && echo "$id"
    done
}

# Nothing the program does may reach the real user's settings, autostart entry, sound
# card or power button.
isolate_environment
export QT_QPA_PLATFORM=xcb
export QELT_EVENT_LOG="$work/events.log"

# The demo folder's settings, stores and chimes, with a timetable of one item today.
make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kLeadSeconds"
write_timetable "$work/t.json" "$due" 1 "端到端"
"$tool" build "$work/t.json" "$dir/作息表/参考作息表.zxb" || fail "qelt-tool build"

"$qelt" --dir "$dir" > "$work/qelt.out" 2>&1 &
pid=$!
readonly kStartLine='^[0-9-]+ [0-9:]+ start( |$)'
wait_for_event "$kStartLine" "$kPlayWaitSeconds" || fail "no start event"

# A second copy hands over to the first and ends without a window of its own.
timeout "$kSecondCopySeconds" "$qelt" --dir "$dir" > "$work/second.out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "the second copy ended with $rc (124: still running after ${kSecondCopySeconds} s)"
[ "$(grep -cE "$kStartLine" "$work/events.log")" -eq 1 ] || fail "the second copy opened a window"
windows=$(main_windows | wc -l)
[ "$windows" -eq 1 ] || fail "$windows visible main windows: $(xwininfo -root -children)"

# The item starts on its second (or the tick just after it).
wait_for_event ' play .*/音乐库/上课铃\.wav$' "$kPlayWaitSeconds" || fail "the item did not play"
played_at=$(second_of_match "$work/events.log" ' play ')
[ "$played_at" -ge "$due" ] && [ "$played_at" -le $((due + 2)) ] ||
    fail "the item due at second $due played at second $played_at"
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"

kill -TERM "$pid"
deadline=$((SECONDS + kExitWaitSeconds))
while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt "$deadline" ]; do
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program was still running ${kExitWaitSeconds} s after SIGTERM"
wait "$pid"
echo "program ended with status $?"
pid=""
echo "e2e: ok"
