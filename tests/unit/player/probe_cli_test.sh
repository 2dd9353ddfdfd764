#!/usr/bin/env bash
# qelt-tool probe: one "LENGTH_MS<TAB>PATH" line per file in the order given, -1 for a
# file that cannot be measured, exit 0 when all were measured and 4 otherwise.
set -uo pipefail
data="$QELT_TEST_DATA"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$QELT_TOOL" probe "$data/audio_tone.wav" "$data/audio_vbr_noxing.mp3" "$data/audio_tune.mid")
[ $? -eq 0 ] || fail "all files measured, but exit code was not 0"
expected=$(printf '1000\t%s\n3056\t%s\n2000\t%s' "$data/audio_tone.wav" "$data/audio_vbr_noxing.mp3" \
    "$data/audio_tune.mid")
[ "$out" = "$expected" ] || fail "unexpected output: $out"

out=$("$QELT_TOOL" probe "$data/audio_text.mp3" "$data/audio_cbr.mp3" "$data/no such file.mp3" 2>/dev/null)
code=$?
[ $code -eq 4 ] || fail "exit code $code for unreadable files, expected 4"
expected=$(printf -- '-1\t%s\n4075\t%s\n-1\t%s' "$data/audio_text.mp3" "$data/audio_cbr.mp3" \
    "$data/no such file.mp3")
[ "$out" = "$expected" ] || fail "unexpected output: $out"

"$QELT_TOOL" probe >/dev/null 2>&1
[ $? -eq 1 ] || fail "probe without files must be a usage error"
echo "probe CLI: ok"
