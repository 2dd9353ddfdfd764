"""Campus benchmark: ten tone items, GAP_SECONDS apart, streamed by a headless QELT into a
real snapserver's TCP source and played by two snapclients on loopback. For every item
and client, the time from the item's second to the tone in the client's output; and the
difference between the two clients. Prints
  BENCH campus_start_offset_p99 <ms> ms   (of the absolute offsets)
  BENCH campus_client_skew_max <ms> ms
and the median offset, which shows on which side of the second the tones fall.
usage: bench_campus.py QELT QELT_TOOL [ITEMS]"""

import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))
import campus_common  # noqa: E402
from campus_common import Campus, nearest, second_of_day_to_epoch, seconds_from_now  # noqa: E402

FIRST_LEAD_SECONDS = 8
GAP_SECONDS = 3
TONE_SECONDS = 1.0
AFTER_LAST_SECONDS = 3


def percentile(values, fraction):
    ordered = sorted(values)
    rank = max(0, min(len(ordered) - 1, int(round(fraction * len(ordered) + 0.5)) - 1))
    return ordered[rank]


def main():
    if any(shutil.which(name) is None for name in campus_common.PACKAGES):
        print("bench_campus: skipped: snapserver or snapclient not installed (make deps)")
        return 0
    items = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    campus = Campus(sys.argv[1], sys.argv[2])
    try:
        campus.start_server()
        campus.start_clients(2)
        campus.demo_folder()
        first = seconds_from_now(FIRST_LEAD_SECONDS)
        dues = [first + n * GAP_SECONDS for n in range(items)]
        folder = campus.program_folder([(due, TONE_SECONDS) for due in dues],
                                       campus.snapcast_output())
        campus.start_qelt(folder)
        last = second_of_day_to_epoch(dues[-1])
        time.sleep(max(0.0, last + TONE_SECONDS + AFTER_LAST_SECONDS - time.time()))
        onsets = [campus.onsets(path) for path in campus.clients]
        offsets, skews, missed = [], [], 0
        for due in dues:
            second = second_of_day_to_epoch(due)
            starts = [nearest(times, second, 1.0) for times in onsets]
            if None in starts:
                missed += 1
                continue
            offsets.extend((start - second) * 1000 for start in starts)
            skews.append(abs(starts[0] - starts[1]) * 1000)
            print(f"bench_campus: item {time.strftime('%H:%M:%S', time.localtime(second))}: "
                  + " ".join(f"{(start - second) * 1000:+.1f}" for start in starts) + " ms")
    finally:
        campus.close()
    if missed:
        print(f"bench_campus: {missed} of {items} items did not reach both clients")
    if not offsets:
        return 0
    print(f"BENCH campus_start_offset_p99 {percentile([abs(o) for o in offsets], 0.99):.1f} ms")
    print(f"BENCH campus_client_skew_max {max(skews):.2f} ms")
    print(f"BENCH campus_start_offset_median {statistics.median(offsets):+.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
