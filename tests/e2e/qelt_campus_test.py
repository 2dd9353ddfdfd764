"""A campus rung through Snapcast end to end: a real snapserver on free loopback ports with
a TCP source (its buffer told in the source's URI), two snapclients writing what they play
to files, and a headless QELT streaming tone items into the source. Both clients play each
tone; it starts at each within 50 ms of the item's second (the lead read from the server's
status doing its work) and, before the restart below, within 5 ms of the other client; the
server stopped in the middle of an item and started again is said once in the bell log and
loses no later item.
Copies without a display for two program folders run side by side; a second copy for the
same folder ends.
usage: qelt_campus_test.py QELT QELT_TOOL"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import campus_common  # noqa: E402
from campus_common import Campus, nearest, second_of_day_to_epoch, seconds_from_now  # noqa: E402

# The server's buffer, not Snapcast's default: the lead must come from its status.
BUFFER_MS = 700
FIRST_LEAD_SECONDS = 9
GAP_SECONDS = 4
# The second item is cut by the server going away this far in, back after the pause.
STOP_AFTER_SECONDS = 1.0
DOWN_SECONDS = 1.0
# The third item comes late enough for the clients to find the server again.
THIRD_AFTER_SECONDS = 8
MAX_OFFSET_S = 0.050
MAX_SKEW_S = 0.005
TONE_SECONDS = (1.0, 3.0, 1.0)
AFTER_LAST_SECONDS = 3


def main():
    campus = Campus(sys.argv[1], sys.argv[2])
    try:
        check(campus)
    finally:
        campus.close()
    print("PASS")


def check(campus):
    campus.start_server(buffer_ms=BUFFER_MS)
    campus.start_clients(2)
    campus.demo_folder()
    first = seconds_from_now(FIRST_LEAD_SECONDS)
    dues = [first, first + GAP_SECONDS, first + GAP_SECONDS + THIRD_AFTER_SECONDS]
    folder = campus.program_folder(list(zip(dues, TONE_SECONDS)), campus.snapcast_output())
    campus.start_qelt(folder)

    # Zones: a copy for another folder runs beside it; a second copy for this folder ends.
    other = campus.program_folder([], "", name="另一区")
    campus.start_qelt(other, name="zone2")
    again = subprocess.run([campus.qelt, "--headless", "--dir", folder], env=campus.env,
                           capture_output=True, text=True, timeout=20)
    if "another copy is already running" not in again.stderr:
        campus.fail(f"a second copy for the same folder did not end: {again.stderr}")
    if campus.processes["zone2"].poll() is not None:
        campus.fail("the copy for another program folder did not keep running")
    campus.stop("zone2")

    # The server goes away in the middle of the second item and comes back.
    second_at = second_of_day_to_epoch(dues[1])
    time.sleep(max(0.0, second_at + STOP_AFTER_SECONDS - time.time()))
    campus.stop("snapserver")
    time.sleep(DOWN_SECONDS)
    campus.start_server(buffer_ms=BUFFER_MS)
    last_at = second_of_day_to_epoch(dues[2])
    time.sleep(max(0.0, last_at + TONE_SECONDS[2] + AFTER_LAST_SECONDS - time.time()))

    out = campus.qelt_out()
    if out.count(" snapcast ") != 1 or "Snapcast 服务器连接中断" not in out:
        campus.fail("the lost server was not said exactly once")
    bell_log = campus_common.read_text(os.path.join(folder, "QELT.log"))
    if "Snapcast 服务器连接中断" not in bell_log:
        campus.fail("the lost server is not in the bell log")

    onsets = [campus.onsets(path) for path in campus.clients]
    for number, due in ((1, dues[0]), (3, dues[2])):
        second = second_of_day_to_epoch(due)
        starts = [nearest(times, second, 1.0) for times in onsets]
        for client, start in enumerate(starts, 1):
            if start is None:
                campus.fail(f"client {client} did not play item {number}: {onsets}")
            offset = start - second
            print(f"item {number} client {client}: {offset * 1000:+.1f} ms")
            if abs(offset) > MAX_OFFSET_S:
                campus.fail(f"item {number} started {offset * 1000:+.1f} ms from its second "
                            f"at client {client}")
        skew = abs(starts[0] - starts[1])
        print(f"item {number} skew: {skew * 1000:.2f} ms")
        # After the server's restart the clients are still finding its clock again, which
        # is Snapcast's own work: there the item must only sound at both, on its second.
        if number == 1 and skew > MAX_SKEW_S:
            campus.fail(f"the clients were {skew * 1000:.2f} ms apart on item {number}")
    for client, times in enumerate(onsets, 1):
        if nearest(times, second_at, 1.0) is None:
            campus.fail(f"client {client} did not play item 2 before the server went away")


if __name__ == "__main__":
    main()
