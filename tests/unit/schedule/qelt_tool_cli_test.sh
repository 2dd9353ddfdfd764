#!/usr/bin/env bash
# Black-box checks of qelt-tool dump, build and next on files written byte by byte.
set -u
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passes=$((passes + 1))
    else
        echo "FAIL: $1"
        echo "  expected: $2"
        echo "  actual:   $3"
        failures=$((failures + 1))
    fi
}

# The 37-byte empty timetable.
printf 'ZXB\0\1\0\0\0\0' > "$work/empty.zxb"
head -c 28 /dev/zero >> "$work/empty.zxb"
out=$("$tool" dump "$work/empty.zxb"); rc=$?
check "dump empty timetable exit" 0 "$rc"
check "dump empty timetable json" \
    '{"type":"timetable","title":"","days":[[],[],[],[],[],[],[]]}' \
    "$(printf '%s' "$out" | python3 -c 'import json,sys; print(json.dumps(json.load(sys.stdin),separators=(",",":"),ensure_ascii=False))')"
check "dump uses a two-space indent" '  "type": "timetable",' "$(printf '%s\n' "$out" | sed -n 2p)"

# The empty stores, recognised by magic whatever their names.
printf 'M2L\0\0\0\0\0' > "$work/a.bin"
check "dump empty common tracks" '{"type":"commonTracks","tracks":[]}' \
    "$("$tool" dump "$work/a.bin" | python3 -c 'import json,sys; print(json.dumps(json.load(sys.stdin),separators=(",",":")))')"
printf 'MALL\0\0\0\0' > "$work/b.bin"
check "dump empty playlists" '{"type":"playlists","playlists":[]}' \
    "$("$tool" dump "$work/b.bin" | python3 -c 'import json,sys; print(json.dumps(json.load(sys.stdin),separators=(",",":")))')"

# A JSON timetable with Chinese texts built and dumped back unchanged.
cat > "$work/t.json" <<'JSON'
{"type":"timetable","title":"实验中学","days":[[],
 [{"time":28800,"autoPlay":1,"kind":0,"volume":80,"useDefaultVolume":0,"fullPlay":0,"limit":20000,
   "path":"音乐库\\上课.mp3","title":"第一节","musicName":"上课铃","runBefore":1,"useDefaultParams":0,"params":"-a \"b c\""},
  {"time":27000,"autoPlay":0,"kind":1,"volume":-1,"useDefaultVolume":1,"fullPlay":1,"limit":0,
   "path":"","title":"早读","musicName":"上课","runBefore":0,"useDefaultParams":1,"params":""}],
 [],[],[],[],[]]}
JSON
"$tool" build "$work/t.json" "$work/t.zxb"
check "build timetable exit" 0 "$?"
"$tool" dump "$work/t.zxb" > "$work/t2.json"
check "timetable round trip (sorted by time)" "ok" "$(python3 - "$work/t.json" "$work/t2.json" <<'PY'
import json, sys
a = json.load(open(sys.argv[1])); b = json.load(open(sys.argv[2]))
a["days"][1].sort(key=lambda i: i["time"])
print("ok" if a == b else f"{a}\n!=\n{b}")
PY
)"
check "next before the first item" "0 07:30:00 早读" "$("$tool" next "$work/t.zxb" 1 07:29:59)"
check "next at an item's own second" "1 08:00:00 第一节" "$("$tool" next "$work/t.zxb" 1 07:30:00)"
check "next after the last item" "-1" "$("$tool" next "$work/t.zxb" 1 08:00:00)"
check "next on an empty day" "-1" "$("$tool" next "$work/t.zxb" 0 00:00:00)"
"$tool" next "$work/t.zxb" 7 08:00:00 2>/dev/null
check "next with a bad weekday" 1 "$?"

# Stores round trip, duplicates and odd values included.
cat > "$work/p.json" <<'JSON'
{"type":"playlists","playlists":[
 {"name":"课间","randomPlay":1,"randomLimit":30,"randomLimitKind":1,"entries":[
   {"path":"音乐库\\*.MP3","fullPlay":0,"length":-1,"limit":20000,"autoPlay":1,"volume":-1,"useDefaultVolume":0}]},
 {"name":"课间","randomPlay":0,"randomLimit":0,"randomLimitKind":0,"entries":[]}]}
JSON
"$tool" build "$work/p.json" "$work/Mlist.dat"
"$tool" dump "$work/Mlist.dat" > "$work/p2.json"
check "playlist round trip" "ok" "$(python3 -c 'import json,sys; print("ok" if json.load(open(sys.argv[1]))==json.load(open(sys.argv[2])) else "differs")' "$work/p.json" "$work/p2.json")"
cat > "$work/c.json" <<'JSON'
{"type":"commonTracks","tracks":[{"name":"上课","order":1,
 "main":{"path":"a.mp3","fullPlay":1,"length":-1,"limit":0,"autoPlay":1,"volume":100,"useDefaultVolume":1},
 "secondary":{"path":"","fullPlay":1,"length":-1,"limit":0,"autoPlay":1,"volume":100,"useDefaultVolume":1}}]}
JSON
"$tool" build "$work/c.json" "$work/M2list.dat"
check "header 8, name 9, order 4, main 34, secondary 29 bytes" 84 "$(stat -c %s "$work/M2list.dat")"
"$tool" dump "$work/M2list.dat" > "$work/c2.json"
check "common-track round trip" "ok" "$(python3 -c 'import json,sys; print("ok" if json.load(open(sys.argv[1]))==json.load(open(sys.argv[2])) else "differs")' "$work/c.json" "$work/c2.json")"

# A wrong magic with a positive count is a store only under the store's own name.
mkdir "$work/named"
# header, then one playlist: an empty name (count 1, a zero byte) and four zero integers
python3 -c 'import sys; sys.stdout.buffer.write(b"XXXX\x01\0\0\0" + b"\x01\0\0\0\0" + bytes(16))' > "$work/named/Mlist.dat"
"$tool" dump "$work/named/Mlist.dat" > /dev/null
check "Mlist.dat with a foreign magic and count 1" 0 "$?"
cp "$work/named/Mlist.dat" "$work/named/other.dat"
"$tool" dump "$work/named/other.dat" > /dev/null 2>&1
check "the same bytes under another name" 2 "$?"

# Not one of the three files, and files that end early.
printf 'ZXC\0' > "$work/bad.ZXB"
err=$("$tool" dump "$work/bad.ZXB" 2>&1 >/dev/null); rc=$?
check "wrong magic .zxb exit" 2 "$rc"
check "wrong magic .zxb message" "该文件不是作息表文件!" "$err"
printf 'hello' > "$work/notes.txt"
"$tool" dump "$work/notes.txt" > /dev/null 2>&1
check "text file exit" 2 "$?"
head -c 40 "$work/t.zxb" > "$work/short.zxb"
err=$("$tool" dump "$work/short.zxb" 2>&1 >/dev/null); rc=$?
check "truncated timetable exit" 3 "$rc"
check "truncated timetable message" "程序在读取作息表文件时出现未知错误!" "$err"
# The first playlist whole (8 + 66 bytes), the second cut off: the first is shown.
head -c 90 "$work/Mlist.dat" > "$work/short.dat"
err=$("$tool" dump "$work/short.dat" 2>&1 >"$work/short.json"); rc=$?
check "truncated playlists exit" 3 "$rc"
check "truncated playlists message" "程序在读取列表曲目文件时出错,请重新设置列表曲目!" "$err"
check "truncated playlists show what was read" "课间 1" \
    "$(python3 -c 'import json,sys; p=json.load(open(sys.argv[1]))["playlists"]; print(p[0]["name"], len(p))' "$work/short.json")"
"$tool" dump > /dev/null 2>&1
check "dump without a file" 1 "$?"
"$tool" frobnicate > /dev/null 2>&1
check "unknown command" 1 "$?"
echo '{"type":"timetable","title":"x","days":[[]]}' > "$work/bad.json"
"$tool" build "$work/bad.json" "$work/bad-out.zxb" 2>/dev/null
check "build refuses a timetable without 7 days" 1 "$?"
check "and writes nothing" "no" "$([ -e "$work/bad-out.zxb" ] && echo yes || echo no)"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
