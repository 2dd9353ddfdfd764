#!/usr/bin/env bash
# qelt-tool demo: the folder it writes is read back with dump, probe and simulate, so the
# demo is checked through the same readers and engine the program uses.
set -uo pipefail
tool="$QELT_TOOL"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Checks a dumped timetable: the three demo items on DAY at TIMES (seconds) in the order
# single file, common track, playlist, each naming music that exists in the folder, and
# at least two items on every other day.
check_timetable() {  # DIR "DAY:TIME DAY:TIME DAY:TIME"
    "$tool" dump "$1/作息表/参考作息表.zxb" > "$work/t.json" || fail "dump timetable"
    "$tool" dump "$1/作息表/M2list.dat" > "$work/c.json" || fail "dump common tracks"
    "$tool" dump "$1/作息表/Mlist.dat" > "$work/p.json" || fail "dump playlists"
    python3 - "$1" "$2" "$work" <<'PY' || fail "timetable of $1"
import json, os, sys
folder, expected, work = sys.argv[1], sys.argv[2].split(), sys.argv[3]
days = json.load(open(f"{work}/t.json"))["days"]
tracks = {t["name"]: t for t in json.load(open(f"{work}/c.json"))["tracks"]}
playlists = {p["name"]: p for p in json.load(open(f"{work}/p.json"))["playlists"]}
demo = [i for d in days for i in d if i["title"].startswith("演示")]
found = [f"{d}:{i['time']}" for d in range(7) for i in days[d] if i["title"].startswith("演示")]
assert sorted(found) == sorted(expected), f"demo items {found}, expected {expected}"
# In time order the kinds are single file, common track, playlist.
first = int(expected[0].split(":")[0])
timed = sorted(((d - first) % 7 * 86400 + i["time"], i["kind"]) for d in range(7) for i in days[d]
               if i["title"].startswith("演示"))
assert [k for _, k in timed] == [0, 1, 2], timed
single, common, playlist = ({i["kind"]: i for i in demo}[k] for k in (0, 1, 2))
assert os.path.getsize(os.path.join(folder, single["path"])) > 0
track = tracks[common["musicName"]]
assert track["order"] == 1 and track["secondary"]["path"], track
for part in ("main", "secondary"):
    assert os.path.getsize(os.path.join(folder, track[part]["path"])) > 0
p = playlists[playlist["musicName"]]
assert p["randomPlay"] == 1 and p["randomLimitKind"] == 0 and p["randomLimit"] >= 1, p
for d in range(7):
    assert len([i for i in days[d] if not i["title"].startswith("演示")]) >= 2 or \
        any(f.startswith(f"{d}:") for f in expected), f"day {d} is nearly empty"
PY
}

# Simulates the folder and checks that the single file, both tracks of the common track
# and two of the playlist's tracks played, in that order, and nothing powered off.
check_simulation() {  # DIR FROM TO FIRST_PLAY_TIME
    out=$("$tool" simulate "$1" --from "$2" --to "$3" 2>&1) || fail "simulate $1: $out"
    plays=$(printf '%s\n' "$out" | grep ' play ')
    [ "$(printf '%s\n' "$plays" | wc -l)" -eq 5 ] || fail "five tracks expected:\n$out"
    printf '%s\n' "$plays" | sed -n 1p | grep -q "^$4 play .*/音乐库/上课铃.wav$" ||
        fail "the single file first, at $4:\n$out"
    printf '%s\n' "$plays" | sed -n 2p | grep -q '/音乐库/预备铃.wav$' || fail "main track:\n$out"
    printf '%s\n' "$plays" | sed -n 3p | grep -q '/音乐库/提示音.ogg$' || fail "secondary:\n$out"
    [ "$(printf '%s\n' "$plays" | sed -n 4,5p | grep -c '/音乐库/课间/.*\.ogg$')" -eq 2 ] ||
        fail "two playlist tracks:\n$out"
    [ "$(printf '%s\n' "$out" | grep -c ' finished$')" -eq 3 ] || fail "three items finished:\n$out"
    ! printf '%s\n' "$out" | grep -q -e ' poweroff' -e ' openfailed' || fail "power-off or failure:\n$out"
}

# A Monday morning: items one, three and six minutes ahead.
dir="$work/上午"
"$tool" demo "$dir" --now "2026-12-07 10:00:00" > "$work/plan.txt" || fail "demo exit code"
check_timetable "$dir" "1:36060 1:36180 1:36360"
grep -q '^星期一 10:06:00 ' "$work/plan.txt" || fail "plan: $(cat "$work/plan.txt")"
ini=$(iconv -f GB18030 -t UTF-8 "$dir/QELT.INI" | tr -d '\r')
grep -qx '作息表=作息表/参考作息表.zxb' <<<"$ini" || fail "timetable setting: $ini"
grep -qx '自动关机=0' <<<"$ini" || fail "power-off setting: $ini"
mapfile -t chimes < <(find "$dir/音乐库" -type f \( -name '*.wav' -o -name '*.ogg' \) | sort)
[ "${#chimes[@]}" -eq 6 ] || fail "six chimes expected: ${chimes[*]}"
lengths=$("$tool" probe "${chimes[@]}") || fail "probe: $lengths"
[ "$(cut -f1 <<<"$lengths" | awk '$1 > 500 && $1 < 10000' | wc -l)" -eq 6 ] ||
    fail "chimes of half a second to ten seconds: $lengths"
# Long enough for the default shutdown delay to have run out after the last item.
check_simulation "$dir" "2026-12-07 10:00:00" "2026-12-07 10:13:00" "2026-12-07 10:01:00"

# Near midnight the later items go on Tuesday's list, and never at 00:00:00 itself.
dir="$work/午夜"
"$tool" demo "$dir" --now "2026-12-07 23:59:00" > /dev/null || fail "demo before midnight"
check_timetable "$dir" "2:5 2:120 2:300"
check_simulation "$dir" "2026-12-07 23:59:00" "2026-12-08 00:07:00" "2026-12-08 00:00:05"
dir="$work/间隔"
"$tool" demo "$dir" --in 239 --now "2026-12-07 10:00:00" > /dev/null || fail "demo --in 239"
check_timetable "$dir" "1:50340 1:79020 2:35640"

# An existing folder is left alone unless --force is given; bad arguments are usage errors.
dir="$work/上午"
before=$(md5sum "$dir/作息表/参考作息表.zxb")
"$tool" demo "$dir" --now "2026-12-08 09:00:00" > /dev/null 2>&1
[ $? -eq 5 ] || fail "an existing demo folder must be refused with exit code 5"
[ "$(md5sum "$dir/作息表/参考作息表.zxb")" = "$before" ] || fail "the refused run changed a file"
"$tool" demo "$dir" --force --now "2026-12-08 09:00:00" > /dev/null || fail "--force"
check_timetable "$dir" "2:32460 2:32580 2:32760"
b="$work/bad"
for bad in "$b --in 0" "$b --in 240" "$b --in x" "$b --now 10:00" "$b --in" "--force" "$b $b/2"; do
    # shellcheck disable=SC2086
    "$tool" demo $bad > /dev/null 2>&1
    [ $? -eq 1 ] || fail "demo $bad must be a usage error"
done
[ ! -e "$work/bad" ] || fail "a usage error wrote files"
"$tool" demo --help | grep -q -- '--in MINUTES' || fail "demo --help"
echo "demo CLI: ok"
