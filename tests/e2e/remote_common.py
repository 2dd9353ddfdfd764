"""What the remote page's end-to-end tests share: a program folder of their own (made by
qelt-tool demo, with today's first item given a hostile title), a headless copy serving the
page on a free port of 127.0.0.1, requests to its API, and bounded waits. Nothing reaches
the real user's settings, sound card or power button, and the copy is ended by its id."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SKIP = 77
START_WAIT_SECONDS = 20
HOSTILE_TITLE = '<script>window.hacked=1</script><img src=x onerror="window.hacked=2">'
# Today's hostile item is due this long after the start, so it stays next all test long.
LEAD_SECONDS = 900


def isolated_environment(work):
    """The environment of a copy run by a test: a home, configuration and runtime folder
    of its own under work, a sink that plays nothing, no power-off and no display."""
    env = dict(os.environ)
    for name in ("home", "config", "runtime"):
        os.makedirs(os.path.join(work, name), mode=0o700)
    env.update(HOME=os.path.join(work, "home"), XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
               QELT_AUDIO_SINK="fakesink sync=true", QELT_NO_POWEROFF="1")
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QELT_EVENT_LOG"):
        env.pop(name, None)
    return env


class Copy:
    def __init__(self, qelt, tool):
        self.work = tempfile.mkdtemp()
        self.process = None
        env = isolated_environment(self.work)
        self.env = env
        self.dir = os.path.join(self.work, "程序")
        subprocess.run([tool, "demo", self.dir], env=env, check=True, stdout=subprocess.DEVNULL,
                       timeout=60)
        now = time.localtime()
        due = now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec + LEAD_SECONDS
        if due >= 86400 - 60:
            print("SKIP: too close to midnight")
            self.close()
            sys.exit(SKIP)
        self.due = due
        weekday = (now.tm_wday + 1) % 7  # Sunday is 0 in the timetable
        item = {"time": due, "autoPlay": 1, "kind": 0, "volume": 100, "useDefaultVolume": 1,
                "fullPlay": 1, "limit": 0, "path": "音乐库/上课铃.wav", "title": HOSTILE_TITLE,
                "musicName": "上课铃", "runBefore": 0, "useDefaultParams": 1, "params": ""}
        days = [[] for _ in range(7)]
        days[weekday].append(item)
        source = os.path.join(self.work, "t.json")
        with open(source, "w", encoding="utf-8") as out:
            json.dump({"type": "timetable", "title": "远程测试", "days": days}, out,
                      ensure_ascii=False)
        subprocess.run([tool, "build", source, os.path.join(self.dir, "作息表", "参考作息表.zxb")],
                       env=env, check=True, timeout=60)
        self.out_path = os.path.join(self.work, "qelt.out")
        self.out = open(self.out_path, "w")
        self.process = subprocess.Popen(
            [qelt, "--headless", "--dir", self.dir, "--web", "127.0.0.1:0"], env=env,
            stdout=self.out, stderr=subprocess.STDOUT)
        url = self.wait_for_output("remote http://", START_WAIT_SECONDS)
        if url is None:
            self.fail("no remote address printed")
        self.url = url.split(" ", 1)[1].strip()
        self.base, self.token = self.url.split("/#", 1)

    def output(self):
        with open(self.out_path, encoding="utf-8", errors="replace") as text:
            return text.read()

    def bell_log(self):
        try:
            with open(os.path.join(self.dir, "QELT.log"), encoding="utf-8",
                      errors="replace") as text:
                return text.read()
        except FileNotFoundError:
            return ""

    def wait_for_output(self, start, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for line in self.output().splitlines():
                if line.startswith(start):
                    return line
            if self.process.poll() is not None:
                return None
            time.sleep(0.1)
        return None

    def wait_until(self, condition, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.1)
        return condition()

    def request(self, method, path, body=None, token=None, raw=None):
        """(status, headers, parsed JSON or bytes)"""
        data = raw if raw is not None else (json.dumps(body).encode() if body is not None else None)
        request = urllib.request.Request(self.base + path, data=data, method=method)
        if token is None:
            token = self.token
        if token:
            request.add_header("Authorization", "Bearer " + token)
        try:
            with urllib.request.urlopen(request, timeout=10) as response:
                status, headers, content = response.status, response.headers, response.read()
        except urllib.error.HTTPError as error:
            status, headers, content = error.code, error.headers, error.read()
        if headers.get("Content-Type", "").startswith("application/json"):
            content = json.loads(content.decode("utf-8"))
        return status, headers, content

    def fail(self, text):
        print("FAIL:", text)
        print("--- output")
        print(self.output()[-4000:])
        self.close()
        sys.exit(1)

    def close(self):
        if self.process is not None and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=5)
        shutil.rmtree(self.work, ignore_errors=True)
