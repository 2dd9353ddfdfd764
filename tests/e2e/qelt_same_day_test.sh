#!/usr/bin/env bash
# One day, two programs: the same program folder rung by `qelt --headless` in real time
# and by `qelt-tool simulate` on a virtual clock must give the same bell events (the items
# started, the items passed over and why, the tracks played), since both build their day
# through the same session. Two items share a second (the first rings), a common track
# follows.
# usage: qelt_same_day_test.sh QELT QELT_TOOL
set -uo pipefail
qelt="$1"
tool="$2"
readonly kLeadSeconds=8          # the first items are due this long after the program starts
readonly kSecondGap=4            # the common track is due this long after them
readonly kEventWaitSeconds=25    # longest wait for any expected line
source "$(dirname "$0")/e2e_common.sh"

dump_logs() {
    echo "--- headless"; cat "$work/headless.out" 2>/dev/null
    echo "--- simulate"; cat "$work/simulate.out" 2>/dev/null
}

unset DISPLAY WAYLAND_DISPLAY QELT_EVENT_LOG
isolate_environment
make_demo_folder
# The items' seconds are counted from now, once the slow part of the set-up is done.
plan_due_today "$kLeadSeconds"
start=$now
later=$((due + kSecondGap))

python3 - "$work/day.json" "$weekday" "$due" "$later" <<'PY'
import json, sys
path = sys.argv[1]
weekday, due, later = (int(v) for v in sys.argv[2:5])
def item(time, title, kind, name):
    return {"time": time, "autoPlay": 1, "kind": kind, "volume": 100, "useDefaultVolume": 1,
            "fullPlay": 1, "limit": 0, "path": "音乐库/上课铃.wav", "title": title,
            "musicName": name, "runBefore": 0, "useDefaultParams": 1, "params": ""}
days = [[] for _ in range(7)]
days[weekday] = [item(due, "第一节", 0, "上课铃"), item(due, "同一秒", 0, "上课铃"),
                 item(later, "常用曲目", 1, "预备铃")]
json.dump({"type": "timetable", "title": "同一天", "days": days}, open(path, "w"),
          ensure_ascii=False)
PY
"$tool" build "$work/day.json" "$dir/作息表/参考作息表.zxb" || fail "qelt-tool build"

"$qelt" --headless --dir "$dir" > "$work/headless.out" 2> "$work/headless.err" &
pid=$!
wait_for_match "$work/headless.out" " item $(hms "$later") \[常用曲目\]" "$kEventWaitSeconds" ||
    fail "the common track did not start"
wait_for_match "$work/headless.out" " finished$" "$kEventWaitSeconds" || fail "nothing finished"
end=$(date +%s)
kill -TERM "$pid"
wait "$pid"

"$tool" simulate "$dir" --from "$(date -d "@$start" '+%F %T')" --to "$(date -d "@$end" '+%F %T')" \
    > "$work/simulate.out" 2> "$work/simulate.err" || fail "qelt-tool simulate: $(cat "$work/simulate.err")"

# The bell events without their stamps, in order: a late tick under load may move a line
# by a second, never change what rang.
events() { grep -E '^[0-9-]+ [0-9:]+ (item|skip|play) ' "$1" | cut -c21-; }
expected=$(events "$work/simulate.out")
actual=$(events "$work/headless.out")
[ -n "$expected" ] || fail "the simulation rang nothing"
echo "$expected" | grep -q "skip $(hms "$due") \[同一秒\]\[上课铃\] 同一秒" ||
    fail "the item at the same second was not passed over as such"
[ "$expected" = "$actual" ] || fail "the two programs rang differently:
simulate:
$expected
headless:
$actual"
echo "PASS: $(echo "$expected" | wc -l) bell events alike"
