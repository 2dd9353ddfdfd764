# The set-up the end-to-end scripts share: a temporary folder removed on exit together with
# the program started in it, bounded waits for log lines, a program folder made by the
# demo, and an environment that keeps the program away from the real user's settings,
# sound card and power button. Sourced; the script defines dump_logs, called by fail.

readonly kSkip=77
readonly kMidnightMargin=120

work=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    dump_logs
    exit 1
}

# Waits up to SECONDS for a line of FILE that matches the pattern, while the program runs.
wait_for_match() {  # FILE PATTERN SECONDS
    local deadline=$((SECONDS + $3))
    while [ $SECONDS -lt "$deadline" ]; do
        grep -qE "$2" "$1" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# What a copy without a display printed, kept in qelt.out and qelt.err, for dump_logs.
dump_program_output() {
    echo "--- standard output"; cat "$work/qelt.out" 2>/dev/null
    echo "--- standard error"; tail -n 40 "$work/qelt.err" 2>/dev/null
}

# Waits up to SECONDS for a line of that copy's standard output.
wait_for_line() {  # PATTERN SECONDS
    wait_for_match "$work/qelt.out" "$@"
}

# The second of the day of the first line of FILE that matches the pattern.
second_of_match() {  # FILE PATTERN
    local stamp
    stamp=$(grep -m1 -E "$2" "$1" | cut -c1-19)
    echo $(( $(date -d "$stamp" +%s) - midnight ))
}

hms() {  # SECOND_OF_DAY
    printf '%02d:%02d:%02d' $(($1 / 3600)) $(($1 / 60 % 60)) $(($1 % 60))
}

# Sets now, midnight, weekday and due, the second of today LEAD seconds from now; skips the
# test when that lies too close to midnight for the item to ring today.
plan_due_today() {  # LEAD
    now=$(date +%s)
    midnight=$(date -d "$(date -d "@$now" +%F) 00:00:00" +%s)
    due=$((now - midnight + $1))
    if [ "$due" -ge $((86400 - kMidnightMargin)) ]; then
        echo "SKIP: too close to midnight"
        exit $kSkip
    fi
    weekday=$(date -d "@$now" +%w)
}

# A home, configuration and runtime folder of the test's own, a sink that plays nothing
# and no power-off.
isolate_environment() {
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    export QELT_AUDIO_SINK="fakesink sync=true" QELT_NO_POWEROFF=1
}

# Sets dir to a new program folder in the temporary folder, written by qelt-tool demo.
make_demo_folder() {
    dir="$work/程序"
    "$tool" demo "$dir" > /dev/null || fail "qelt-tool demo"
}

# A timetable of one item today (weekday) at the second given, started by itself or by
# hand, playing a file (kind 0) or a common track by name (kind 1).
write_timetable() {  # JSON SECOND AUTOPLAY TITLE [KIND MUSIC_NAME]
    python3 - "$1" "$weekday" "$2" "$3" "$4" "${5:-0}" "${6:-上课铃}" <<'PY'
import json, sys
path, title, name = sys.argv[1], sys.argv[5], sys.argv[7]
weekday, due, auto, kind = (int(v) for v in (sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[6]))
item = {"time": due, "autoPlay": auto, "kind": kind, "volume": 100, "useDefaultVolume": 1,
        "fullPlay": 1, "limit": 0, "path": "音乐库/上课铃.wav", "title": title,
        "musicName": name, "runBefore": 0, "useDefaultParams": 1, "params": ""}
days = [[] for _ in range(7)]
days[weekday].append(item)
json.dump({"type": "timetable", "title": title, "days": days}, open(path, "w"),
          ensure_ascii=False)
PY
}
