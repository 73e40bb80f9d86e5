#!/usr/bin/env python3
"""Figures of the running monitor: the built program, headless on Xvfb (one X server for each
program instance), with sensor simulators on pseudo-terminals. Prints one table. Started by
bench/run.sh, which builds what it needs first.

Start-up is measured first and alone; the other figures then run at once, each in its own program
instance with its own settings folder. Beside every CPU figure stands the CPU its X server took in
the same window, and every figure carries the machine's load average (1 minute) before and after
it. A run that logged fewer than 99 % of the readings it should have, or connected fewer sensors
than asked, says "failed" instead of a number.

The pseudo-terminals answer modem-line queries as a serial port does (bench/linepoll.cpp is
preloaded), so the monitor polls the lines of its line-signalling sensors as on a real port.

  startup       exec to the main window mapped (median of 5)
  idle          CPU with ten sensors connected (4 polled, 6 line-signalling), minute readings
  stream        CPU of an accelerometer streaming 100 lines a second, file logging on, the summary
                page in front; then the same with the accelerometer's tab in front, beside the
                plain Qt reference (bench/reference.cpp: the same lines into a 2000-line box on
                screen and a file). Widget paints a line are counted with perf uprobes when they
                can be set.
  week          RSS over a simulated week of minute readings of four polled sensors (the
                program clock sped up with CORVISENT_BENCH_CLOCK_SPEED, 120 times by default: a
                week takes 84 minutes; --days shortens it). Faster, the program's waits for a reply
                become shorter than a real line needs and readings are lost to the bench.
  million       RSS before a million streamed accelerometer lines start and after the last, sent
                at the pace of a 115200-baud line (698 lines a second: 24 minutes)
  cameras       CPU of one test camera (640x480, 30 frames a second) on screen: sent to the summary
                view, then (in a second instance, as a camera is shown in one view at a time) in
                its position on the video tab; its paints are counted (uprobes) and the figure
                fails when none are drawn. The test camera makes its pictures inside the program:
                the CPU of that source is printed apart, and the figure without it
  gaps          longest gap between two logged readings of a polled sensor, ten sensors with
                four polled every 8 s and two streaming (--gap-seconds, 600 by default)
  lag           largest lag from a stream line's sending to its logged line (and its stamp) while
                a polled sensor next to it does not answer
  silent        CPU of one polled sensor that stops answering, during the ten queries before it is
                given up, beside the same instance's idle CPU before it
  connectall    Connect All of ten sensors at start-up: the setup window on screen to gone
  connectall-mail  the same while the first temperature sensor is out of range and its alert mail
                (keep sending, readings every 8 s) goes through a mail program that takes 20 s
  sigterm       SIGTERM to the end of the process during a hung FTP login and a hung mail hand-off
"""
import argparse
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
PROGRAM = os.path.join(BUILD, "bin", "CorvisentMan")
SIMULATOR = os.path.join(BUILD, "tests", "tools", "sensorsim")
REFERENCE = os.path.join(BUILD, "bench", "benchref")
LINEPOLL = os.path.join(BUILD, "bench", "libbenchlinepoll.so")


def shipped_files():
    """The files the program reads from its folder, as src/CMakeLists.txt puts them beside it (the
    folder also holds what the program writes, such as its logfiles folder)."""
    with open(os.path.join(ROOT, "src", "CMakeLists.txt")) as f:
        return re.search(r"set\(SHIPPED_FILES ([^)]*)\)", f.read()).group(1).split()


SHIPPED_FILES = shipped_files()
TICKS = os.sysconf("SC_CLK_TCK")
DAY_S = 24 * 3600
# The fastest a real line gives the streamed-memory run: 115200 baud, a character of 11 bits (8
# data, parity, start and stop), an accelerometer line of 15 characters ("+01.25 -00.50" CR LF).
LINE_RATE = 115200 // 11 // 15

APP_KEY = r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Corvisent Manager"
SERIALCOMM = r"HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM"
KINDS = {
    "T": "Corvisent/T (Temperature)",
    "H": "Corvisent/H (Humidity)",
    "P": "Corvisent/P (Proximity)",
    "W": "Corvisent/W (Water)",
    "A": "Corvisent/A (2-Axis Accelerometer)",
    "D": "Corvisent/D (Distance)",
    "V": "Corvisent/V (Video)",
}
# The test cameras of tests/gstcam: a GStreamer device provider of live 640x480 test pictures.
GST_PLUGINS = os.path.join(BUILD, "tests", "gstplugins")
# Its threads inside the program: the camera's streaming thread, which draws each test picture and
# also runs the conversions up to the first queue, and the plug watch. A real camera's pictures cost
# the program nothing to make, so their CPU is printed apart; for the test camera's YUY2 the
# conversions mostly pass frames on, so little else is taken out with it.
TEST_CAMERA_THREADS = ("camerasrc:src", "testcam-plugs")


def load():
    return f"{os.getloadavg()[0]:.1f}"


def cpu_seconds(pid, task=None):
    """CPU seconds of a process so far, or of one of its threads."""
    with open(f"/proc/{pid}/task/{task}/stat" if task else f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def threads_cpu(pid, names):
    """CPU seconds so far of the threads of pid that have one of these names."""
    total = 0.0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/comm") as f:
                if f.read().strip() in names:
                    total += cpu_seconds(pid, task)
        except OSError:  # the thread ended
            pass
    return total


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def open_terminals(pid):
    n = 0
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            if os.readlink(f"/proc/{pid}/fd/{fd}").startswith("/dev/pts/"):
                n += 1
        except OSError:
            pass
    return n


def reg_text(root_keys):
    out = ["Windows Registry Editor Version 5.00", ""]
    for key, values in root_keys.items():
        out.append(f"[{key}]")
        for name, value in values.items():
            esc = lambda s: s.replace("\\", "\\\\").replace('"', '\\"')
            out.append(f'"{esc(name)}"="{esc(value)}"')
        out.append("")
    return "\r\n".join(out) + "\r\n"


class Failed(Exception):
    """A figure that cannot be given: the row says "failed" and why."""


class Xvfb:
    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=[w], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class Simulator:
    def __init__(self, kind, link, *args):
        self.proc = subprocess.Popen([SIMULATOR, kind, "--reply-ms", "0", "--link", link, *args],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.path = self.proc.stdout.readline().strip()
        self.finished = threading.Event()
        threading.Thread(target=self._watch, daemon=True).start()

    def _watch(self):
        for line in self.proc.stdout:
            if line.startswith("sent "):
                self.finished.set()

    def tell(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def close(self):
        if self.proc.poll() is None:
            try:
                self.tell("quit")
                self.proc.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()


class Instance:
    """A settings folder with device rows on simulators, and the program started on it."""

    def __init__(self, rows, connect=True, file_logging="0", speed=None, sim_args=None, setup=None,
                 internet=None, env=None, seconds_interval=None, to_summary=True):
        self.dir = tempfile.mkdtemp(prefix="corvisent-bench-")
        self.logs = os.path.join(self.dir, "logs")
        app = os.path.join(self.dir, "app")
        os.makedirs(self.logs)
        os.makedirs(app)
        for f in SHIPPED_FILES:
            shutil.copy(os.path.join(os.path.dirname(PROGRAM), f), app)
        self.sims = []
        self.proc = None
        self.xvfb = Xvfb()
        settings = {"AutoConnect": "1" if connect else "0", "TotalDevices": str(len(rows)),
                    "SensSetTag": "1", "MinOrSecs": "Min", "ReadingInterval": "1", "logdir": self.logs,
                    "HDDTotalAmount": "10000000", "MaxFileSize": "100000", "chkAlwaysSendAlert": "0"}
        if seconds_interval:
            settings.update(MinOrSecs="Sec", ReadingInterval=str(seconds_interval))
        settings.update(setup or {})
        keys = {APP_KEY + r"\Program Setup": settings}
        if internet:
            keys[APP_KEY + r"\Program Setup\Internet Setup"] = internet
        ports = {}
        slots = {}
        cameras = 0
        self.kinds = {}
        for row, (kind, extra) in enumerate(rows, start=1):
            slots[kind] = slots.get(kind, 0) + 1
            if kind == "V":
                cameras += 1
                settings["chkSendToSummary"] = "1" if to_summary else "0"
                keys[APP_KEY + rf"\PortConfig\Devices\{row}"] = {
                    "DeviceType": KINDS[kind], "DeviceName": f"cam{cameras}", "SubIndex": str(slots[kind]),
                    "CamDriverIndex": str(cameras - 1), "DriverName": f"Test Camera {cameras}"}
                continue
            link = os.path.join(self.dir, f"tty{row}")
            sim = Simulator(kind, link, *(sim_args or {}).get(kind, []))
            self.sims.append(sim)
            self.kinds[len(self.sims) - 1] = kind
            ports[sim.path] = f"COM{10 + row}"
            record = {"DeviceType": KINDS[kind], "DeviceName": f"{kind}{row}", "SubIndex": str(slots[kind]),
                      "Port": str(10 + row), "TabLogging": "1", "FileLogging": file_logging}
            record.update(extra)
            keys[APP_KEY + rf"\PortConfig\Devices\{row}"] = record
        config = os.path.join(self.dir, "config", "corvisent-manager")
        os.makedirs(config)
        with open(os.path.join(config, "HKEY_CURRENT_USER.reg"), "w") as f:
            f.write(reg_text(keys))
        with open(os.path.join(config, "HKEY_LOCAL_MACHINE.reg"), "w") as f:
            f.write(reg_text({SERIALCOMM: ports}))
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, "config"), CORVISENT_APP_DIR=app,
                        DISPLAY=self.xvfb.display, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        if os.path.exists(LINEPOLL):
            self.env["LD_PRELOAD"] = LINEPOLL
        if speed:
            self.env["CORVISENT_BENCH_CLOCK_SPEED"] = str(speed)
        if cameras:
            self.env.update(GST_PLUGIN_PATH=GST_PLUGINS, GST_REGISTRY=os.path.join(self.dir, "gst-registry.bin"),
                            QT_MEDIA_BACKEND="gstreamer", CORVISENT_TEST_CAMERAS=str(cameras))
        self.env.update(env or {})
        self.rows = len(rows) - cameras

    def start(self):
        self.started = time.monotonic()
        self.proc = subprocess.Popen([PROGRAM], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        return self

    def windows(self, title):
        """Ids of the viewable top-level windows of the program with that title."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True, text=True)
        found = []
        for line in tree.stdout.splitlines():
            if f'"{title}": ("CorvisentMan"' in line:
                wid = line.split()[0]
                info = subprocess.run(["xwininfo", "-id", wid], env=self.env, capture_output=True, text=True)
                if "IsViewable" in info.stdout:
                    found.append(wid)
        return found

    def window_shown(self):
        """Whether the main window (title Corvisent Manager) is on the screen."""
        return bool(self.windows("Corvisent Manager"))

    def wait_window(self, timeout=60):
        end = time.monotonic() + timeout
        while not self.window_shown():
            if time.monotonic() > end or self.proc.poll() is not None:
                raise Failed("no main window")
            time.sleep(0.2)

    def wait_connected(self, timeout=240):
        """Until every row holds its terminal; then a few seconds for the first events."""
        end = time.monotonic() + timeout
        while open_terminals(self.proc.pid) < self.rows:
            if time.monotonic() > end or self.proc.poll() is not None:
                raise Failed(f"only {open_terminals(self.proc.pid)} of {self.rows} sensors connected")
            time.sleep(0.5)
        time.sleep(5)

    def show_tab(self):
        """Clicks the second tab of the strip (the only kind tab these instances show)."""
        wid = self.windows("Corvisent Manager")[0]
        subprocess.run(["xdotool", "mousemove", "--window", wid, "110", "40", "click", "1"], env=self.env,
                       capture_output=True)
        time.sleep(2)

    def log_files(self):
        return sorted(os.path.join(self.logs, f) for f in os.listdir(self.logs))

    def log_lines(self):
        n = 0
        for f in self.log_files():
            with open(f, "rb") as fh:
                n += fh.read().count(b"\n")
        return n

    def close(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for s in self.sims:
            s.close()
        self.xvfb.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Reference:
    """The plain Qt reference reading its own streaming simulator, on its own X server."""

    def __init__(self, rate):
        self.dir = tempfile.mkdtemp(prefix="corvisent-benchref-")
        self.xvfb = Xvfb()
        self.sim = Simulator("A", os.path.join(self.dir, "tty"), "--rate", str(rate), "--wobble")
        self.log = os.path.join(self.dir, "log.txt")
        env = dict(os.environ, DISPLAY=self.xvfb.display, QT_QPA_PLATFORM="xcb")
        self.proc = subprocess.Popen([REFERENCE, self.sim.path, self.log], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.sim.close()
        self.xvfb.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Probes:
    """Counts calls of functions in a running process with perf uprobes; None when they cannot be set."""
    QT = "/usr/lib/x86_64-linux-gnu/"
    lock = threading.Lock()
    serial = 0

    def __init__(self, targets):
        """targets: name -> (binary, symbol). Raises Failed when perf cannot set them."""
        if not shutil.which("perf"):
            raise Failed("perf is not installed")
        if os.path.isdir("/sys/kernel/tracing") and not os.listdir("/sys/kernel/tracing"):
            subprocess.run(["mount", "-t", "tracefs", "nodev", "/sys/kernel/tracing"], capture_output=True)
        with Probes.lock:
            Probes.serial += 1
            self.group = f"corvbench{os.getpid()}x{Probes.serial}"
        self.names = []
        for name, (binary, symbol) in targets.items():
            addr = self._address(binary, symbol)
            if addr is None:
                raise Failed(f"no {symbol} in {binary}")
            r = subprocess.run(["perf", "probe", "-q", "-x", binary, "-a", f"{self.group}:{name}=0x{addr:x}"],
                               capture_output=True, text=True)
            if r.returncode != 0:
                self.close()
                raise Failed("perf probe: " + (r.stderr.strip().splitlines() or ["refused"])[-1])
            self.names.append(name)

    @staticmethod
    def _address(binary, symbol):
        out = subprocess.run(["nm", "-D", "--defined-only", binary], capture_output=True, text=True).stdout
        out += subprocess.run(["nm", "--defined-only", binary], capture_output=True, text=True).stdout
        for line in out.splitlines():
            parts = line.split()
            if len(parts) == 3 and parts[2].split("@")[0] == symbol:
                return int(parts[0], 16)
        return None

    def count(self, pid, seconds):
        events = ",".join(f"{self.group}:{n}" for n in self.names)
        r = subprocess.run(["perf", "stat", "-x", ",", "-e", events, "-p", str(pid), "--", "sleep", str(seconds)],
                           capture_output=True, text=True)
        counts = {}
        for line in r.stderr.splitlines():
            f = line.split(",")
            if len(f) > 2 and f[2].startswith(self.group + ":"):
                counts[f[2].split(":", 1)[1]] = int(f[0]) if f[0].isdigit() else 0
        return counts

    def close(self):
        subprocess.run(["perf", "probe", "-q", "-d", f"{self.group}:*"], capture_output=True)


def qt(lib):
    return os.path.join(Probes.QT, lib)


# perf sets one probe at a time; figures running at once count one after the other.
PROBING = threading.Lock()


def paints_a_line(inst, seconds, lines_a_second):
    """Paints of the page's widgets per streamed line, counted after the CPU window."""
    with PROBING:
        return _paints_a_line(inst, seconds, lines_a_second)


def _paints_a_line(inst, seconds, lines_a_second):
    try:
        probes = Probes({
            "tabwidget": (qt("libQt6Widgets.so.6"), "_ZN10QTabWidget10paintEventEP11QPaintEvent"),
            "groupbox": (qt("libQt6Widgets.so.6"), "_ZN9QGroupBox10paintEventEP11QPaintEvent"),
            "label": (qt("libQt6Widgets.so.6"), "_ZN6QLabel10paintEventEP11QPaintEvent"),
            "textbox": (qt("libQt6Widgets.so.6"), "_ZN14QPlainTextEdit10paintEventEP11QPaintEvent"),
            "layout": (qt("libQt6Widgets.so.6"), "_ZN7QWidget14updateGeometryEv"),
            "pool": (qt("libQt6Core.so.6"), "_ZN11QThreadPool5startEP9QRunnablei"),
        })
    except Failed as e:
        return f"paints not counted ({e})"
    try:
        c = probes.count(inst.proc.pid, seconds)
    finally:
        probes.close()
    n = lines_a_second * seconds
    return ("a line: " + ", ".join(f"{c.get(k, 0) / n:.2f} {k}" for k in
                                   ("tabwidget", "groupbox", "label", "textbox", "layout", "pool")))


def cpu_over(procs, seconds):
    """CPU seconds of each process over the same window, and the window's length."""
    c0 = [cpu_seconds(p.pid) for p in procs]
    t0 = time.monotonic()
    time.sleep(seconds)
    return [cpu_seconds(p.pid) - c for p, c in zip(procs, c0)], time.monotonic() - t0


def pct(cpu, wall):
    return f"{100 * cpu / wall:.2f} %"


TEN = [("T", {}), ("T", {}), ("H", {}), ("H", {}), ("W", {}), ("W", {}), ("P", {}), ("P", {}),
       ("A", {"StartInBump": "1"}), ("D", {"StartInProx": "1"})]
# Ten sensors as issue 24 has them: four polled, an accelerometer and a distance sensor streaming.
TEN_STREAMING = TEN[:8] + [("A", {"StartInBump": "0"}), ("D", {"StartInProx": "0"})]


def figure(results, name, job):
    """Runs one figure with the load average before and after it; a failure fills its row."""
    before = load()
    try:
        value = job()
    except Exception as e:  # one failed figure does not end the others
        value = f"failed: {e}"
    results[name] = (value, f"load {before} -> {load()}")


def measure_startup():
    times = []
    for _ in range(5):
        inst = Instance(TEN, connect=False)
        try:
            inst.start()
            while not inst.window_shown():
                if time.monotonic() - inst.started > 30:
                    raise Failed("no main window after 30 s")
                time.sleep(0.002)
            times.append(time.monotonic() - inst.started)
        finally:
            inst.close()
    return f"{statistics.median(times) * 1000:.0f} ms (median of 5, measured alone)"


def measure_idle(seconds):
    inst = Instance(TEN).start()
    try:
        inst.wait_connected()
        (cpu, x), wall = cpu_over([inst.proc, inst.xvfb.proc], seconds)
        poll = "lines polled" if "LD_PRELOAD" in inst.env else "line poll skipped (no shim)"
        return f"{pct(cpu, wall)} of one core; X server {pct(x, wall)}; {poll}"
    finally:
        inst.close()


def stream_instance():
    return Instance([("A", {"StartInBump": "0"})], file_logging="1",
                    sim_args={"A": ["--rate", "100", "--wobble"]}).start()


def measure_stream(seconds, tab):
    """100 lines a second; tab False: summary in front, True: the accelerometer tab beside the reference."""
    inst = stream_instance()
    ref = Reference(100) if tab else None
    try:
        inst.wait_connected()
        if tab:
            inst.show_tab()
        logged0 = inst.log_lines()
        procs = [inst.proc, inst.xvfb.proc] + ([ref.proc, ref.xvfb.proc] if ref else [])
        cpus, wall = cpu_over(procs, seconds)
        logged = inst.log_lines() - logged0
        if logged < 0.99 * 100 * wall:
            raise Failed(f"{logged} lines logged of {100 * wall:.0f}")
        if inst.proc.poll() is not None:
            raise Failed("the program ended")
        text = f"{pct(cpus[0], wall)} of one core, {1e6 * cpus[0] / (100 * wall):.0f} us a line; X server {pct(cpus[1], wall)}"
        if ref:
            if ref.proc.poll() is not None:
                raise Failed("the reference ended")
            text += (f"; reference {pct(cpus[2], wall)} (X server {pct(cpus[3], wall)}), "
                     f"{cpus[0] / max(cpus[2], 1e-9):.2f} times the reference")
        text += "; " + paints_a_line(inst, 5, 100)
        if tab and "textbox" in text and " 0.00 textbox" in text:
            text += " (the log box was not drawn: the tab did not come to the front)"
        return text
    finally:
        inst.close()
        if ref:
            ref.close()


def measure_week(speed, days):
    four = [("T", {}), ("T", {}), ("H", {}), ("H", {})]
    inst = Instance(four, file_logging="1", speed=speed).start()
    try:
        inst.wait_connected()
        pid = inst.proc.pid
        week = days * DAY_S / speed
        # The tab log boxes fill to their line limit over a day or two and then start again, so
        # a single sample depends on where each box stands. Compare the peaks of the two halves
        # of the week instead: growth that does not end shows as a higher second peak.
        t0 = time.monotonic()
        first, second = 0, 0
        while (elapsed := time.monotonic() - t0) < week and inst.proc.poll() is None:
            rss = rss_kib(pid)
            if elapsed >= week * 0.05:  # settled after the first readings
                if elapsed < week / 2:
                    first = max(first, rss)
                else:
                    second = max(second, rss)
            time.sleep(min(1.0, week / 200))
        if inst.proc.poll() is not None:
            raise Failed("the program ended")
        expected = round(4 * days * 24 * 60)
        logged = inst.log_lines()
        if logged < 0.99 * expected:
            raise Failed(f"{logged} log lines of {expected} readings")
        return first, second, (f"{days:g} days at {speed:g}x; peaks of the first and second half; {logged} log "
                               f"lines of {expected} readings")
    finally:
        inst.close()


def measure_million(lines):
    inst = Instance([("A", {"StartInBump": "0"})], file_logging="1",
                    sim_args={"A": ["--rate", str(LINE_RATE), "--lines", str(lines), "--hold"]}).start()
    try:
        inst.wait_connected()
        pid = inst.proc.pid
        start = rss_kib(pid)  # connected, nothing streamed yet
        t0 = time.monotonic()
        inst.sims[0].tell("hold off")
        if not inst.sims[0].finished.wait(3600):
            raise Failed("the simulator did not finish")
        # Until the program has taken every line (its log stops growing).
        last = -1
        while (n := inst.log_lines()) != last:
            last = n
            time.sleep(2)
        end = rss_kib(pid)
        rate = lines / (time.monotonic() - t0)
        if last < 0.99 * lines:
            raise Failed(f"{last} log lines of {lines} streamed")
        return start, end, (f"{lines} lines, about {rate:.0f} a second (sent at {LINE_RATE}, a 115200-baud "
                            f"line's pace); first sample before the stream")
    finally:
        inst.close()


def measure_cameras(seconds):
    # One camera, in two program instances one after the other: a camera is shown in one view at
    # a time, so the summary view is measured with a camera sent there and the video tab with one
    # that is not.
    out = []
    for where, to_summary in (("summary view", True), ("video tab", False)):
        inst = Instance([("V", {})], to_summary=to_summary).start()
        try:
            inst.wait_window()
            time.sleep(10)  # the pipeline started and running
            if not to_summary:
                inst.show_tab()
            if inst.proc.poll() is not None:
                raise Failed(f"{where}: the program ended")
            source = threads_cpu(inst.proc.pid, TEST_CAMERA_THREADS)
            (cpu, x), wall = cpu_over([inst.proc, inst.xvfb.proc], seconds)
            source = threads_cpu(inst.proc.pid, TEST_CAMERA_THREADS) - source
            try:
                with PROBING:
                    probes = Probes({"paint": (PROGRAM, "_ZN8ezVidCap10paintEventEP11QPaintEvent")})
                    try:
                        paints = probes.count(inst.proc.pid, 5).get("paint", 0) / 5
                    finally:
                        probes.close()
            except Failed as e:
                raise Failed(f"paints cannot be counted ({e})")
            if paints < 1:
                raise Failed(f"{where}: the camera drew no frames ({paints:.1f} paints a second)")
            out.append(f"{where} {pct(cpu, wall)} of one core, of which the camera's streaming thread (the test picture source) "
                       f"{pct(source, wall)} ({pct(cpu - source, wall)} without it), X server {pct(x, wall)}, "
                       f"{paints:.0f} paints a second")
        finally:
            inst.close()
    return "; ".join(out) + " (goal < 10 %)"


class LogTail:
    """Notes when each line of the log files appears (polled every 20 ms)."""

    def __init__(self, inst):
        self.inst = inst
        self.seen = {}   # file -> bytes read
        self.lines = {}  # file -> [(time, text)]
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while not self.stop.is_set():
            now = time.monotonic()
            for f in self.inst.log_files():
                try:
                    with open(f, "rb") as fh:
                        fh.seek(self.seen.get(f, 0))
                        data = fh.read()
                except OSError:
                    continue
                end = data.rfind(b"\n") + 1
                if end <= 0:
                    continue
                self.seen[f] = self.seen.get(f, 0) + end
                for line in data[:end].decode("latin-1").splitlines():
                    self.lines.setdefault(f, []).append((now, line.strip()))
            time.sleep(0.02)

    def close(self):
        self.stop.set()
        self.thread.join()


READING = re.compile(r"^\d+[-/]\d+[-/]\d+,\d+:\d+:\d+[AP]M[,:]")


def measure_gaps(seconds):
    inst = Instance(TEN_STREAMING, file_logging="1", seconds_interval=8).start()
    tail = None
    try:
        inst.wait_connected()
        tail = LogTail(inst)
        time.sleep(seconds)
        if inst.proc.poll() is not None:
            raise Failed("the program ended")
        tail.close()
        worst, polled = 0.0, 0
        for f, lines in tail.lines.items():
            times = [t for t, text in lines if READING.match(text) and text.rstrip().endswith(("F", "%"))]
            if len(times) < 2:
                continue
            polled += 1
            worst = max([worst, *(b - a for a, b in zip(times, times[1:]))])
        if polled < 4:
            raise Failed(f"only {polled} of 4 polled sensors logged readings")
        window = "10 minutes" if seconds >= 600 else f"{seconds:.0f} s (shortened with --gap-seconds)"
        return f"{worst:.1f} s over {window}, 4 polled sensors at 8 s (goal 9 s)"
    finally:
        if tail:
            tail.close()
        inst.close()


def measure_silent(seconds):
    # One polled temperature sensor read every 8 s that stops answering: the program queries it ten
    # times, waiting up to 2 s for each reply, before it gives the sensor up. The loop starts at the
    # first reading after "silent on" (within 8 s) and lasts at least 20 s, so a window from 8.5 s
    # to 19.5 s after it falls inside the loop. The same instance's CPU over a window of the same
    # length before "silent on" is the idle figure beside it.
    inst = Instance([("T", {})], file_logging="1", seconds_interval=8).start()
    try:
        inst.wait_connected()
        window = min(seconds, 11.0)
        (idle, idle_x), idle_wall = cpu_over([inst.proc, inst.xvfb.proc], window)
        logged = inst.log_lines()
        inst.sims[0].tell("silent on")
        time.sleep(8.5)
        (cpu, x), wall = cpu_over([inst.proc, inst.xvfb.proc], window)
        if inst.proc.poll() is not None:
            raise Failed("the program ended")
        # The loop still ran at the window's end: the port is held and no reading came in.
        if open_terminals(inst.proc.pid) < 1:
            raise Failed("the sensor was given up before the window ended")
        if inst.log_lines() > logged + 1:
            raise Failed("readings were logged while the sensor was silent")
        return (f"{pct(cpu, wall)} of one core during the ten-query loop (X server {pct(x, wall)}); "
                f"idle before it {pct(idle, idle_wall)} (X server {pct(idle_x, idle_wall)}); "
                f"{wall:.0f} s windows (goal < 0.5 %)")
    finally:
        inst.close()


def measure_lag(seconds):
    # A polled temperature sensor that stops answering, beside an accelerometer streaming ten
    # lines a second; the accelerometer's X value is changed every half second and the first
    # logged line with the new value is looked for.
    inst = Instance([("T", {}), ("A", {"StartInBump": "0"})], file_logging="1", seconds_interval=8,
                    sim_args={"A": ["--stream-ms", "100"]}).start()
    tail = None
    try:
        inst.wait_connected()
        accel = inst.sims[1]
        inst.sims[0].tell("silent on")
        tail = LogTail(inst)
        marks = []
        end = time.monotonic() + seconds
        k = 0
        while time.monotonic() < end:
            k = k % 90 + 1
            accel.tell(f"xy {k / 100:.2f} 0")
            marks.append((time.monotonic(), time.time(), f"+{k / 100:05.2f} "))
            time.sleep(0.5)
        time.sleep(3)
        tail.close()
        lines = [(t, text) for f, ls in tail.lines.items() for t, text in ls if ": +" in text]
        lines.sort()
        worst, worst_stamp, missing = 0.0, 0, 0
        for (t_sent, wall_sent, mark), nxt in zip(marks, marks[1:] + [(float("inf"), 0, "")]):
            hit = next(((t, text) for t, text in lines if t_sent <= t and mark in text), None)
            if hit is None or hit[0] >= nxt[0] + 1:
                missing += 1
                continue
            worst = max(worst, hit[0] - t_sent)
            stamp = re.search(r",(\d+):(\d+):(\d+)([AP]M)", hit[1])
            if stamp:
                h, m, s = int(stamp[1]) % 12 + (12 if stamp[4] == "PM" else 0), int(stamp[2]), int(stamp[3])
                sent = time.localtime(wall_sent)
                diff = (h * 3600 + m * 60 + s) - (sent.tm_hour * 3600 + sent.tm_min * 60 + sent.tm_sec)
                worst_stamp = max(worst_stamp, diff % 86400)
        if missing > 0.01 * len(marks):
            raise Failed(f"{missing} of {len(marks)} changes never logged")
        return (f"{worst:.2f} s from sending to the logged line, stamps at most {worst_stamp} s after the "
                f"sending second; {len(marks)} changes over {seconds:.0f} s, a polled sensor silent (goal < 1 s)")
    finally:
        if tail:
            tail.close()
        inst.close()


def measure_connect_all(mail_seconds=None):
    folder = tempfile.mkdtemp(prefix="corvisent-benchmail-")
    started = os.path.join(folder, "handoffs")
    if mail_seconds:
        mailer = os.path.join(folder, "slow-sendmail")
        with open(mailer, "w") as f:
            f.write(f"#!/bin/sh\necho >>'{started}'\ncat >/dev/null\nsleep {mail_seconds}\n")
        os.chmod(mailer, 0o700)
        inst = Instance(TEN_STREAMING, seconds_interval=8, env={"CORVISENT_SENDMAIL": mailer},
                        setup={"TempMax": "80", "TempMin": "30", "chkEmailAlert1": "1", "optUseSMTP": "0",
                               "chkAlwaysSendAlert": "1", "EmailAddress": "ops@example.com"})
        inst.sims[0].tell("temp 95")
    else:
        inst = Instance(TEN_STREAMING)
    inst.start()
    try:
        end = time.monotonic() + 120
        while not inst.windows("Sensor Setup"):
            if time.monotonic() > end or inst.proc.poll() is not None:
                raise Failed("the setup window never showed")
            time.sleep(0.05)
        t0 = time.monotonic()
        while inst.windows("Sensor Setup"):
            if time.monotonic() - t0 > 300:
                raise Failed("Connect All did not end in 300 s")
            time.sleep(0.05)
        took = time.monotonic() - t0
        connected = open_terminals(inst.proc.pid)
        if connected < inst.rows:
            raise Failed(f"{connected} of {inst.rows} sensors connected")
        figure = f"{took:.1f} s for ten sensors: the pauses 15.0 s + {took - 15:.1f} s (goal < 5 s)"
        if not mail_seconds:
            return figure
        if not os.path.exists(started):
            raise Failed("no alert mail was handed over")
        with open(started) as f:
            handoffs = len(f.readlines())
        return f"{figure}; mail hand-offs of {mail_seconds} s begun by then: {handoffs} (goal: as without them)"
    finally:
        inst.close()
        shutil.rmtree(folder, ignore_errors=True)


def end_time(inst, started):
    """Waits for the wait to have begun (started() true), sends SIGTERM, times the end."""
    end = time.monotonic() + 90
    while not started():
        if time.monotonic() > end or inst.proc.poll() is not None:
            raise Failed("the wait never began")
        time.sleep(0.1)
    time.sleep(1)
    t0 = time.monotonic()
    inst.proc.send_signal(signal.SIGTERM)
    try:
        inst.proc.wait(60)
    except subprocess.TimeoutExpired:
        raise Failed("still running 60 s after SIGTERM")
    return time.monotonic() - t0


def measure_sigterm_ftp():
    # An FTP server that takes the connection and never says a word.
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(4)
    port = server.getsockname()[1]
    accepted = []
    threading.Thread(target=lambda: accepted.append(server.accept()), daemon=True).start()
    inst = Instance([("T", {})], seconds_interval=8, internet={
        "AutoStartIUE": "1", "ServerName": f"ftp://127.0.0.1:{port}", "UserName": "bench", "PW": "bench",
        "RemoteDirectory": "/", "UseDirectory": "0"}).start()
    try:
        # "Do you wish to start Remote Monitoring?": Yes.
        end = time.monotonic() + 90
        while not accepted:
            if time.monotonic() > end or inst.proc.poll() is not None:
                raise Failed("the program never reached the FTP server")
            for wid in inst.windows("Remote Monitoring"):
                subprocess.run(["xdotool", "windowfocus", "--sync", wid, "key", "--window", wid, "Return"],
                               env=inst.env, capture_output=True)
            time.sleep(0.5)
        took = end_time(inst, lambda: True)
        return f"{took:.2f} s (goal < 2 s)"
    finally:
        inst.close()
        server.close()


def measure_sigterm_mail():
    inst = None
    folder = tempfile.mkdtemp(prefix="corvisent-benchmail-")
    try:
        started = os.path.join(folder, "mail-started")
        mailer = os.path.join(folder, "hanging-sendmail")
        with open(mailer, "w") as f:
            f.write(f"#!/bin/sh\ntouch '{started}'\nexec sleep 120\n")
        os.chmod(mailer, 0o700)
        inst = Instance([("T", {})], seconds_interval=8, file_logging="1",
                        setup={"TempMax": "50", "TempMin": "30", "chkEmailAlert1": "1", "optUseSMTP": "0",
                               "EmailAddress": "ops@example.com"},
                        env={"CORVISENT_SENDMAIL": mailer}).start()
        took = end_time(inst, lambda: os.path.exists(started))
        return f"{took:.2f} s (goal < 2 s)"
    finally:
        if inst:
            inst.close()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    global PROGRAM
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seconds", type=float, default=60, help="length of each CPU measurement and of the lag run")
    ap.add_argument("--gap-seconds", type=float, default=600, help="length of the polled-gap run")
    ap.add_argument("--speed", type=float, default=120,
                    help="program clock speed-up of the week run: at most about 140, so that the program's "
                         "2 s wait for a reply is no shorter than a real 9600-baud reply (about 14 ms)")
    ap.add_argument("--days", type=float, default=7, help="simulated days of the week run")
    ap.add_argument("--lines", type=int, default=1000000, help="lines of the streamed-memory run")
    ap.add_argument("--program", default=PROGRAM, help="the program to measure (another build's, to compare)")
    ap.add_argument("--only", nargs="*", help="measure only these: startup idle stream stream-tab week million "
                                              "cameras gaps lag silent connectall connectall-mail sigterm-ftp "
                                              "sigterm-mail")
    a = ap.parse_args()
    PROGRAM = os.path.abspath(a.program)
    for f in (PROGRAM, SIMULATOR, REFERENCE):
        if not os.access(f, os.X_OK):
            sys.exit(f"{f} is missing: run bench/run.sh")

    results = {}
    jobs = {
        "startup": lambda: measure_startup(),
        "idle": lambda: measure_idle(a.seconds),
        "stream": lambda: measure_stream(a.seconds, tab=False),
        "stream-tab": lambda: measure_stream(a.seconds, tab=True),
        "week": lambda: measure_week(a.speed, a.days),
        "million": lambda: measure_million(a.lines),
        "cameras": lambda: measure_cameras(a.seconds),
        "gaps": lambda: measure_gaps(a.gap_seconds),
        "lag": lambda: measure_lag(a.seconds),
        "silent": lambda: measure_silent(a.seconds),
        "connectall": lambda: measure_connect_all(),
        "connectall-mail": lambda: measure_connect_all(mail_seconds=20),
        "sigterm-ftp": lambda: measure_sigterm_ftp(),
        "sigterm-mail": lambda: measure_sigterm_mail(),
    }
    chosen = [n for n in jobs if not a.only or n in a.only]
    # Start-up alone first: five other programs starting at the same time would slow it down.
    if "startup" in chosen:
        figure(results, "startup", jobs["startup"])
    threads = [threading.Thread(target=figure, args=(results, n, jobs[n])) for n in chosen if n != "startup"]
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    def memory(key):
        v, l = results.get(key, ("not run", ""))
        if isinstance(v, str):
            return [v, "", "", l]
        start, end, note = v
        return [f"{start / 1024:.1f} MiB", f"{end / 1024:.1f} MiB", f"{(end - start) / 1024:+.2f} MiB; {note}", l]

    def plain(key):
        v, l = results.get(key, ("not run", ""))
        return [v, "", "", l]

    rows = [
        ["Start-up to the main window"] + plain("startup"),
        ["Idle CPU, ten sensors connected"] + plain("idle"),
        ["CPU, 100 streamed lines a second, summary in front"] + plain("stream"),
        ["CPU, 100 streamed lines a second, its tab in front"] + plain("stream-tab"),
        ["RSS, a simulated week of readings"] + memory("week"),
        ["RSS, a million streamed lines"] + memory("million"),
        ["CPU, one test camera live on screen"] + plain("cameras"),
        ["Longest gap between polled readings"] + plain("gaps"),
        ["Stream line to its log, a polled sensor silent"] + plain("lag"),
        ["CPU, a polled sensor silent in its ten queries"] + plain("silent"),
        ["Connect All, ten sensors"] + plain("connectall"),
        ["Connect All, ten sensors, a 20 s mail hand-off running"] + plain("connectall-mail"),
        ["SIGTERM to exit, hung FTP login"] + plain("sigterm-ftp"),
        ["SIGTERM to exit, hung mail hand-off"] + plain("sigterm-mail"),
    ]
    head = ["Figure", "Value / RSS at start", "RSS at end", "Growth", "Load average"]
    print(f"Program: {PROGRAM}; {os.cpu_count()} CPUs")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(5)]
    line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    failed = [n for n, (v, _) in results.items() if isinstance(v, str) and v.startswith("failed")]
    if failed:
        sys.exit("failed: " + " ".join(failed))


if __name__ == "__main__":
    main()
