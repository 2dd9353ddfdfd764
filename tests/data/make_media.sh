#!/usr/bin/env bash
# Makes the small audio files the audio tests play and measure. The files are committed,
# so this runs only when they must change. Needs ffmpeg (with libmp3lame and libvorbis)
# and python3. Every file is a few kilobytes; the lengths the tests expect are the
# lengths written here.
set -euo pipefail
cd "$(dirname "$0")"

ff() { ffmpeg -hide_banner -loglevel error -y -bitexact "$@"; }
# A 440 Hz tone; a tone that changes loudness and colour, so a VBR encoder varies its rate.
tone() { echo "sine=frequency=440:sample_rate=$1:duration=$2"; }
busy() { echo "aevalsrc=0.6*sin(2*PI*440*t)*lt(mod(t\,1)\,0.5)+0.4*(random(0)-0.5)*gte(mod(t\,1)\,0.5):s=$1:d=$2"; }

ff -f lavfi -i "$(tone 8000 1)" -ac 1 -c:a pcm_u8 audio_tone.wav                 # 1000 ms
ff -f lavfi -i "$(tone 8000 1)" -ac 1 -c:a pcm_s8 audio_tone.aiff                # 1000 ms
ff -f lavfi -i "$(tone 22050 4)" -ac 1 -c:a libmp3lame -b:a 8k -write_xing 0 \
   -id3v2_version 0 -write_id3v1 0 audio_cbr.mp3                                 # 4 s
ff -f lavfi -i "$(busy 22050 3)" -ac 1 -c:a libmp3lame -q:a 9 -write_xing 0 \
   -id3v2_version 0 -write_id3v1 0 audio_vbr_noxing.mp3                          # 3 s
ff -f lavfi -i "$(tone 16000 3)" -ac 1 -c:a mp2 -b:a 8k audio_tone.mp2           # 3 s
ff -f lavfi -i "$(tone 8000 2)" -ac 1 -c:a libvorbis -q:a 0 audio_tone.ogg       # 2 s
ff -f lavfi -i "$(tone 22050 2)" -ac 1 -c:a wmav2 -b:a 24k audio_tone.wma        # 2 s

# The broken ones: nothing at all, text under an audio name, and the first 40 bytes of
# an MP3 (less than one whole frame).
: > audio_empty.mp3
printf 'These are not the notes you are looking for.\n' > audio_text.mp3
head -c 40 audio_cbr.mp3 > audio_truncated.mp3

python3 - <<'PY'
import struct

# MIDI, format 0: 480 ticks a quarter note at 120 bpm, four quarter notes = 2000 ms.
def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)

events = b""
for note in (60, 64, 67, 72):
    events += vlq(0) + bytes([0x90, note, 100]) + vlq(480) + bytes([0x80, note, 0])
events += vlq(0) + b"\xff\x2f\x00"
track = b"\x00\xff\x51\x03\x07\xa1\x20" + events  # tempo 500000 us per quarter note
with open("audio_tune.mid", "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480))
    f.write(b"MTrk" + struct.pack(">I", len(track)) + track)

# ProTracker MOD: one 64-row pattern at speed 6 / 125 bpm (120 ms a row), broken off by a
# pattern break on row 15, so the song lasts 16 rows = 1920 ms.
sample = bytes((i * 16) & 0xFF for i in range(256))  # a sawtooth, looped
header = b"qelt test".ljust(20, b"\0")
header += b"saw".ljust(22, b"\0") + struct.pack(">HBBHH", len(sample) // 2, 0, 64, 0, len(sample) // 2)
for _ in range(30):
    header += b"\0" * 22 + struct.pack(">HBBHH", 0, 0, 0, 0, 1)
header += bytes([1, 127]) + bytes(128) + b"M.K."
rows = []
for row in range(64):
    cells = []
    for channel in range(4):
        cell = b"\0\0\0\0"
        if channel == 0 and row % 4 == 0 and row < 16:
            period = 428  # C-3
            cell = bytes([0x10 | (period >> 8), period & 0xFF, 0x00, 0x00])
        if channel == 1 and row == 15:
            cell = bytes([0, 0, 0x0D, 0x00])  # pattern break: the song ends here
        cells.append(cell)
    rows.append(b"".join(cells))
with open("audio_tune.mod", "wb") as f:
    f.write(header + b"".join(rows) + sample)

# AIFF-C with G.711 samples (a-law and mu-law), as old Mac and telephony tools write
# them: a 440 Hz tone, 8000 Hz mono, 1000 ms.
import math

def ulaw(x):
    sign = 0x80 if x < 0 else 0
    x = min(abs(x), 32635) + 0x84
    exponent = max(0, x.bit_length() - 8)
    mantissa = (x >> (exponent + 3)) & 0x0F
    return (~(sign | (exponent << 4) | mantissa)) & 0xFF

def alaw(x):
    sign = 0x80 if x >= 0 else 0
    x = min(abs(x), 32767) >> 3
    if x < 32:
        value = x >> 1
    else:
        exponent = x.bit_length() - 5
        value = (exponent << 4) | ((x >> exponent) & 0x0F)
    return (sign | value) ^ 0x55

def extended(rate):  # the 80-bit float of the COMM chunk, for a whole number
    exponent, mantissa = 16383 + 63, rate
    while mantissa < (1 << 63):
        mantissa, exponent = mantissa << 1, exponent - 1
    return struct.pack(">HQ", exponent, mantissa)

rate = 8000
tone = [int(12000 * math.sin(2 * math.pi * 440 * i / rate)) for i in range(rate)]
for tag, law in ((b"ulaw", ulaw), (b"alaw", alaw)):
    data = bytes(law(x) for x in tone)
    name = b"\x08" + tag + b" 2:1" + b"\0"  # a Pascal string padded to an even length
    comm = struct.pack(">hIh", 1, len(data), 16) + extended(rate) + tag + name
    ssnd = struct.pack(">II", 0, 0) + data
    body = (b"AIFC" + b"FVER" + struct.pack(">II", 4, 0xA2805140)
            + b"COMM" + struct.pack(">I", len(comm)) + comm
            + b"SSND" + struct.pack(">I", len(ssnd)) + ssnd)
    with open("audio_" + tag.decode() + ".aifc", "wb") as f:
        f.write(b"FORM" + struct.pack(">I", len(body)) + body)
PY
ls -l audio_*
