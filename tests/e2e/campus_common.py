"""What the campus test and its benchmark share: a real snapserver on free loopback ports
with a TCP source, snapclients writing what they play to files, a headless copy of QELT
streaming a timetable of tone items into the source, and the moment each tone starts at
each client, read from the files. Nothing reaches the real user's settings or sound card;
every process is ended by its id and every wait is bounded."""

import array
import json
import math
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import wave

from remote_common import isolated_environment

SKIP = 77
RATE = 48000
CHANNELS = 2
FRAME_BYTES = 4
START_WAIT_SECONDS = 15
# A tone starts where a sample reaches this after this much silence.
ONSET_LEVEL = 400
SILENCE_BEFORE_FRAMES = RATE // 10
PACKAGES = ("snapserver", "snapclient")


def skip_without_packages():
    missing = [name for name in PACKAGES if shutil.which(name) is None]
    if missing:
        print(f"SKIP: {' and '.join(missing)} not installed (make deps installs them)")
        sys.exit(SKIP)


def free_ports(count):
    """Ports of 127.0.0.1 free now, all different."""
    sockets, ports = [], []
    for _ in range(count):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        sockets.append(s)
        ports.append(s.getsockname()[1])
    for s in sockets:
        s.close()
    return ports


def write_tone(path, seconds, frequency=1000, level=0.5):
    """A sine tone, 48 kHz stereo, starting at full level on its first frame."""
    frames = int(RATE * seconds)
    samples = array.array("h")
    for i in range(frames):
        value = int(32767 * level * math.sin(2 * math.pi * frequency * i / RATE))
        samples.extend((value, value))
    with wave.open(path, "wb") as out:
        out.setnchannels(CHANNELS)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(samples.tobytes())


class Campus:
    def __init__(self, qelt, tool):
        skip_without_packages()
        self.qelt, self.tool = os.path.abspath(qelt), os.path.abspath(tool)
        self.work = tempfile.mkdtemp()
        self.processes = {}
        env = isolated_environment(self.work)
        self.env = env
        self.source_port, self.stream_port, self.control_port = free_ports(3)
        self.clients = []
        self.samples = {}
        self.sampling = False
        self.sampler = None

    # Processes.

    def start(self, name, args, log):
        out = open(os.path.join(self.work, log), "ab")
        self.processes[name] = subprocess.Popen(args, env=self.env, stdout=out,
                                                stderr=subprocess.STDOUT, cwd=self.work)
        out.close()
        return self.processes[name]

    def stop(self, name):
        process = self.processes.pop(name, None)
        if process is None or process.poll() is not None:
            return
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=5)

    def close(self):
        self.sampling = False
        if self.sampler is not None:
            self.sampler.join(timeout=5)
        for name in list(self.processes):
            self.stop(name)
        shutil.rmtree(self.work, ignore_errors=True)

    def fail(self, message):
        print(f"FAIL: {message}")
        for log in ("snapserver.log", "qelt.out"):
            path = os.path.join(self.work, log)
            if os.path.exists(path):
                print(f"--- {log}")
                with open(path, encoding="utf-8", errors="replace") as f:
                    print(f.read()[-4000:])
        self.close()
        sys.exit(1)

    def wait_until(self, condition, seconds, step=0.05):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(step)
        return condition()

    # The server and its clients.

    def start_server(self, buffer_ms=1000, tell_buffer=True):
        """The server with one TCP source; tell_buffer: the source's URI carries the buffer,
        so that its status says how far ahead the bells must start."""
        query = f"name=bells&mode=server&sampleformat={RATE}:16:{CHANNELS}"
        if tell_buffer:
            query += f"&buffer={buffer_ms}"
        config = os.path.join(self.work, "snapserver.conf")
        data = os.path.join(self.work, "snapserver")
        os.makedirs(data, exist_ok=True)
        with open(config, "w") as out:
            out.write(f"""[server]
datadir = {data}
[http]
enabled = false
[tcp]
bind_to_address = 127.0.0.1
port = {self.control_port}
[stream]
bind_to_address = 127.0.0.1
port = {self.stream_port}
source = tcp://127.0.0.1:{self.source_port}?{query}
buffer = {buffer_ms}
codec = pcm
[logging]
sink = stderr
""")
        self.start("snapserver", ["snapserver", "-c", config], "snapserver.log")
        if not self.wait_until(lambda: self.port_open(self.control_port), START_WAIT_SECONDS):
            self.fail("snapserver did not start")

    def port_open(self, port):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return True
        except OSError:
            return False

    def start_clients(self, count=2):
        for n in range(1, count + 1):
            path = os.path.join(self.work, f"client{n}.raw")
            self.clients.append(path)
            self.start(f"client{n}",
                       ["snapclient", "-h", "127.0.0.1", "-p", str(self.stream_port),
                        "-i", str(n), "--hostID", f"qelt-campus-{n}",
                        "--player", f"file:filename={path},mode=a", "--logsink", "null"],
                       f"client{n}.log")
        if not self.wait_until(lambda: all(self.file_size(p) > 0 for p in self.clients),
                               START_WAIT_SECONDS):
            self.fail("the snapclients did not start playing")
        self.sampling = True
        self.sampler = threading.Thread(target=self.sample_sizes, daemon=True)
        self.sampler.start()

    @staticmethod
    def file_size(path):
        try:
            return os.stat(path).st_size
        except OSError:
            return 0

    def sample_sizes(self):
        """How much each client has written when: the clients write in real time, so
        these readings tie a place in a file to the wall clock."""
        for path in self.clients:
            self.samples[path] = []
        while self.sampling:
            for path in self.clients:
                size = self.file_size(path)
                self.samples[path].append((time.time(), size))
            time.sleep(0.001)

    # QELT.

    def demo_folder(self, name="程序"):
        """The demo's program folder, written once: writing it is slow on a loaded machine,
        so a test writes it before it counts its items' seconds from now."""
        folder = os.path.join(self.work, name)
        if not os.path.exists(os.path.join(folder, "QELT.INI")):
            subprocess.run([self.tool, "demo", folder], env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        return folder

    def program_folder(self, items, output, name="程序"):
        """A demo folder whose timetable rings a tone at each (second of the day, seconds
        long) of items today, playing through output."""
        folder = self.demo_folder(name)
        weekday = (time.localtime().tm_wday + 1) % 7
        days = [[] for _ in range(7)]
        for n, (due, seconds) in enumerate(items):
            tone = f"音乐库/campus{n}.wav"
            write_tone(os.path.join(folder, tone), seconds)
            days[weekday].append({
                "time": due, "autoPlay": 1, "kind": 0, "volume": 100, "useDefaultVolume": 1,
                "fullPlay": 1, "limit": 0, "path": tone, "title": f"第{n + 1}项",
                "musicName": f"campus{n}", "runBefore": 0, "useDefaultParams": 1, "params": ""})
        source = os.path.join(self.work, f"{name}.json")
        with open(source, "w", encoding="utf-8") as out:
            json.dump({"type": "timetable", "title": "校园", "days": days}, out,
                      ensure_ascii=False)
        subprocess.run([self.tool, "build", source,
                        os.path.join(folder, "作息表", "参考作息表.zxb")],
                       env=self.env, check=True, timeout=60)
        ini = os.path.join(folder, "QELT.INI")
        with open(ini, encoding="gb18030") as f:
            text = f.read()
        text = text.replace("[设置]\n", f"[设置]\n输出设备={output}\n", 1)
        with open(ini, "w", encoding="gb18030", newline="") as f:
            f.write(text)
        return folder

    def snapcast_output(self, extra=""):
        return (f"snapcast://127.0.0.1:{self.source_port}?control={self.control_port}"
                + extra)

    def start_qelt(self, folder, name="qelt"):
        self.start(name, [self.qelt, "--headless", "--dir", folder], f"{name}.out")
        out = os.path.join(self.work, f"{name}.out")
        if not self.wait_until(lambda: " start headless " in read_text(out),
                               START_WAIT_SECONDS):
            self.fail(f"{name} did not start")

    def qelt_out(self, name="qelt"):
        return read_text(os.path.join(self.work, f"{name}.out"))

    # Reading what the clients played.

    def onsets(self, path):
        """The wall-clock times at which tones start in a client's file."""
        with open(path, "rb") as f:
            data = f.read()
        frames = array.array("h")
        frames.frombytes(data[: len(data) // FRAME_BYTES * FRAME_BYTES])
        left = frames[0::2]
        found = []
        silent_run = SILENCE_BEFORE_FRAMES
        for index, value in enumerate(left):
            if abs(value) >= ONSET_LEVEL:
                if silent_run >= SILENCE_BEFORE_FRAMES:
                    found.append(self.wall_time(path, index * FRAME_BYTES))
                silent_run = 0
            else:
                silent_run += 1
        return [t for t in found if t is not None]

    def wall_time(self, path, offset):
        """When the byte at offset sounds. A client writes each block of sound as it
        starts to play it, so a block's first byte sounds when the file first grew by it:
        each growth seen gives a bound (a reading taken late only makes it later), and
        the earliest bound, carried on at the sound's own rate, is the best. Only the
        growths just before offset count: a client that fell behind skips sound to catch
        up, and growths before such a skip would place offset early."""
        byte_rate = RATE * FRAME_BYTES
        best = None
        readings = self.samples.get(path, [])
        for (_, before), (when, size) in zip(readings, readings[1:]):
            if size > before and offset - byte_rate // 10 <= before <= offset:
                estimate = when + (offset - before) / byte_rate
                best = estimate if best is None else min(best, estimate)
        return best


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def second_of_day_to_epoch(due):
    now = time.time()
    local = time.localtime(now)
    midnight = now - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) - (now % 1)
    return midnight + due


def seconds_from_now(lead):
    local = time.localtime()
    due = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + lead
    if due >= 86400 - 120:
        print("SKIP: too close to midnight")
        sys.exit(SKIP)
    return due


def nearest(times, target, within):
    close = [t for t in times if abs(t - target) <= within]
    return min(close, key=lambda t: abs(t - target)) if close else None
