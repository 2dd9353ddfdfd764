"""The remote page's API end to end against a headless copy on a fake sink: today's state
with a hostile title carried as plain text, a common track rung and stopped (the bell log
shows both as done remotely), an emergency broadcast started and ended, the day calendar
changed through the API taking effect, wrong tokens refused and logged and then backed off,
oversized and chunked bodies refused before they are read, and no file served but the
page's own.
usage: qelt_remote_api_test.py QELT QELT_TOOL"""

import datetime
import os
import socket
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import remote_common  # noqa: E402

EVENT_WAIT_SECONDS = 10


def raw_exchange(copy, data):
    """Sends bytes to the server and returns what it answers until it closes (bounded)."""
    host, port = copy.base.split("//", 1)[1].rsplit(":", 1)
    with socket.create_connection((host, int(port)), timeout=5) as connection:
        connection.sendall(data)
        answer = b""
        try:
            while True:
                chunk = connection.recv(4096)
                if not chunk:
                    break
                answer += chunk
        except socket.timeout:
            pass
        return answer


def main():
    copy = remote_common.Copy(sys.argv[1], sys.argv[2])
    try:
        check(copy)
    finally:
        copy.close()
    print("PASS")


def check(copy):
    if copy.token in copy.bell_log() or len(copy.token) < 32:
        copy.fail("the token is short or was written into the bell log")

    # Today's state: the next item is the hostile one, as text, with its countdown.
    status, headers, state = copy.request("GET", "/api/state")
    if status != 200 or headers.get("X-Content-Type-Options") != "nosniff":
        copy.fail(f"state answered {status} {dict(headers)}")
    if state["school"] != "QELT 演示学校" or state["day"]["kind"] != "normal":
        copy.fail(f"state {state}")
    if state["next"] is None or state["next"]["title"] != remote_common.HOSTILE_TITLE:
        copy.fail(f"next item {state['next']}")
    if not 0 < state["next"]["inSeconds"] <= remote_common.LEAD_SECONDS:
        copy.fail(f"countdown {state['next']['inSeconds']}")
    if [item["state"] for item in state["items"]] != ["next"]:
        copy.fail(f"items {state['items']}")

    # A common track rung from the page plays and is logged as done remotely; stop ends it.
    status, _, reply = copy.request("POST", "/api/play/common/0")
    if status != 200 or "预备铃" not in reply["message"]:
        copy.fail(f"play common answered {status} {reply}")
    if not copy.wait_until(lambda: copy.request("GET", "/api/state")[2]["playing"],
                           EVENT_WAIT_SECONDS):
        copy.fail("nothing plays after the common track was rung")
    log = copy.bell_log()
    remote_at = log.find("remote play common 0 预备铃 from 127.0.0.1")
    if remote_at < 0 or log.find("manual " + copy.dir + "/音乐库/预备铃.wav", remote_at) < 0:
        copy.fail("the bell log does not show the remote play followed by the track")
    if copy.request("POST", "/api/play/common/7")[0] != 404:
        copy.fail("a common track that does not exist was not refused")
    status, _, reply = copy.request("POST", "/api/stop")
    if status != 200 or reply["message"] != "已停止播放":
        copy.fail(f"stop answered {status} {reply}")
    if copy.request("GET", "/api/state")[2]["playing"] is not None:
        copy.fail("still playing after stop")
    # A reload line of the settings (the token was written at start) may come late.
    lines = copy.request("GET", "/api/log?lines=4")[2]["lines"]
    if len(lines) != 4 or not any(" finished" in line for line in lines):
        copy.fail(f"the log's last lines {lines}")

    # An emergency broadcast from afar (a fire panel's webhook): only a file inside the
    # program folder; the state shows it, the bell log names the caller, DELETE ends it.
    if copy.request("POST", "/api/emergency", {"file": "../QELT.INI"})[0] != 400:
        copy.fail("an emergency file outside the program folder was not refused")
    status, _, reply = copy.request("POST", "/api/emergency", {"file": "音乐库/预备铃.wav"})
    if status != 200:
        copy.fail(f"emergency answered {status} {reply}")
    state = copy.request("GET", "/api/state")[2]
    if (state["emergency"] or {}).get("file") != "预备铃.wav" or not state["playing"]:
        copy.fail(f"the state does not show the emergency: {state['emergency']}")
    if "emergency 开始 远程 127.0.0.1 " + copy.dir + "/音乐库/预备铃.wav" not in copy.bell_log():
        copy.fail("the bell log does not say who started the emergency")
    if copy.request("DELETE", "/api/emergency")[0] != 200 or \
            copy.request("DELETE", "/api/emergency")[0] != 409:
        copy.fail("the emergency did not end once")
    if copy.request("GET", "/api/state")[2]["emergency"] is not None:
        copy.fail("the state still shows the emergency")

    # Today marked a holiday through the API: the calendar file holds it and today follows.
    today = datetime.date.today().isoformat()
    if copy.request("POST", "/api/calendar", {"date": "2026-02-30"})[0] != 400:
        copy.fail("an impossible date was not refused")
    if copy.request("POST", "/api/calendar", {"timetable": "无此作息表.zxb"})[0] != 404:
        copy.fail("a missing timetable was not refused")
    status, _, reply = copy.request("POST", "/api/calendar", {"date": today})
    if status != 200:
        copy.fail(f"calendar answered {status} {reply}")
    holiday = copy.wait_until(
        lambda: copy.request("GET", "/api/state")[2]["day"]["kind"] == "holiday", 3)
    if not holiday:
        copy.fail("today did not become a holiday")
    with open(os.path.join(copy.dir, "作息表", "节假日.txt"), encoding="utf-8-sig") as text:
        if today not in text.read():
            copy.fail("the calendar file does not hold today")
    status, _, _ = copy.request("POST", "/api/calendar",
                                {"date": today, "timetable": "参考作息表.zxb"})
    if status != 200 or copy.request("GET", "/api/state")[2]["day"]["kind"] != "special":
        copy.fail("today did not become a special day")

    # Oversized and chunked bodies are refused before they are read; the server goes on.
    big = (b"POST /api/autoplay HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
           copy.token.encode() + b"\r\nContent-Length: 1000000\r\n\r\n" + b"x" * 65536)
    if not raw_exchange(copy, big).startswith(b"HTTP/1.1 413"):
        copy.fail("an oversized body was not refused")
    chunked = (b"POST /api/autoplay HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
               b"10000\r\n" + b"x" * 4096)
    if not raw_exchange(copy, chunked).startswith(b"HTTP/1.1 413"):
        copy.fail("a chunked body was not refused")
    status, _, reply = copy.request("POST", "/api/autoplay", {"on": False})
    if status != 200 or copy.request("GET", "/api/state")[2]["autoPlay"] is not False:
        copy.fail(f"auto-play was not switched off after the refusals: {status} {reply}")

    # The page is served without the token; nothing else is.
    status, headers, page = copy.request("GET", "/", token="")
    if status != 200 or b"/remote.js" not in page or \
            "script-src 'self'" not in headers.get("Content-Security-Policy", ""):
        copy.fail(f"the page answered {status}")
    for path in ("/QELT.INI", "/%2e%2e/QELT.INI", "/remote.html", "/api/"):
        if copy.request("GET", path, token="")[0] not in (401, 404):
            copy.fail(f"{path} was served")

    # Wrong tokens: 401 and a log line each, then the address is backed off, right token
    # or not.
    for token in ("", "x" * 64, copy.token[:-1]):
        if copy.request("GET", "/api/state", token=token or "-")[0] != 401:
            copy.fail(f"token {token!r} was not refused")
    if "remote-denied /api/state from 127.0.0.1" not in copy.bell_log():
        copy.fail("a wrong token was not logged")
    for _ in range(4):
        copy.request("GET", "/api/state", token="wrong")
    status, headers, _ = copy.request("GET", "/api/state")
    if status != 429 or int(headers.get("Retry-After", "0")) < 1:
        copy.fail(f"no back-off after repeated wrong tokens: {status}")


if __name__ == "__main__":
    main()
