#!/usr/bin/env python3
"""Figures of the running monitor: the built program, headless on Xvfb, with sensor simulators on
pseudo-terminals. Prints one table. Started by bench/run.sh, which builds what it needs first.

Each figure runs in its own program instance with its own settings folder, all at once:
  start-up      time from starting the program to its main window on the screen (median of 5)
  idle          CPU with ten sensors connected (4 polled, 6 line-signalling), minute readings
  stream        CPU of an accelerometer streaming 100 lines a second
  week          RSS over a simulated week of minute readings of four polled sensors (the
                program clock sped up with CORVISENT_BENCH_CLOCK_SPEED)
  million       RSS over a million streamed accelerometer lines, sent as fast as they are taken
  cameras       CPU with four test cameras (640x480, 30 frames a second) connected at start-up
"""
import argparse
import os
import shutil
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
TICKS = os.sysconf("SC_CLK_TCK")
WEEK_S = 7 * 24 * 3600

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


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


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

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write("quit\n")
                self.proc.stdin.flush()
                self.proc.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()


class Instance:
    """A settings folder with device rows on simulators, and the program started on it."""

    def __init__(self, rows, connect=True, file_logging="0", speed=None, sim_args=None):
        self.dir = tempfile.mkdtemp(prefix="corvisent-bench-")
        self.logs = os.path.join(self.dir, "logs")
        app = os.path.join(self.dir, "app")
        os.makedirs(self.logs)
        os.makedirs(app)
        for f in os.listdir(os.path.dirname(PROGRAM)):
            if f != os.path.basename(PROGRAM):
                shutil.copy(os.path.join(os.path.dirname(PROGRAM), f), app)
        self.sims = []
        self.proc = None
        self.xvfb = Xvfb()
        setup = {"AutoConnect": "1" if connect else "0", "TotalDevices": str(len(rows)),
                 "SensSetTag": "1", "MinOrSecs": "Min", "ReadingInterval": "1", "logdir": self.logs,
                 "HDDTotalAmount": "10000000", "MaxFileSize": "100000", "chkAlwaysSendAlert": "0"}
        keys = {APP_KEY + r"\Program Setup": setup}
        ports = {}
        slots = {}
        cameras = 0
        for row, (kind, extra) in enumerate(rows, start=1):
            slots[kind] = slots.get(kind, 0) + 1
            if kind == "V":
                cameras += 1
                setup["chkSendToSummary"] = "1"
                keys[APP_KEY + rf"\PortConfig\Devices\{row}"] = {
                    "DeviceType": KINDS[kind], "DeviceName": f"cam{cameras}", "SubIndex": str(slots[kind]),
                    "CamDriverIndex": str(cameras - 1), "DriverName": f"Test Camera {cameras}"}
                continue
            link = os.path.join(self.dir, f"tty{row}")
            sim = Simulator(kind, link, *(sim_args or {}).get(kind, []))
            self.sims.append(sim)
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
        if speed:
            self.env["CORVISENT_BENCH_CLOCK_SPEED"] = str(speed)
        if cameras:
            self.env.update(GST_PLUGIN_PATH=GST_PLUGINS, GST_REGISTRY=os.path.join(self.dir, "gst-registry.bin"),
                            QT_MEDIA_BACKEND="gstreamer", CORVISENT_TEST_CAMERAS=str(cameras))
        self.rows = len(rows) - cameras

    def start(self):
        self.started = time.monotonic()
        self.proc = subprocess.Popen([PROGRAM], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        return self

    def window_shown(self):
        """Whether the main window (class CorvisentMan, title Corvisent Manager) is on the screen."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True, text=True)
        for line in tree.stdout.splitlines():
            if '("CorvisentMan" "Corvisent Manager")' in line:
                info = subprocess.run(["xwininfo", "-id", line.split()[0]], env=self.env, capture_output=True,
                                      text=True)
                if "IsViewable" in info.stdout:
                    return True
        return False

    def wait_connected(self, timeout=240):
        """Until every row holds its terminal; then a few seconds for the first events."""
        end = time.monotonic() + timeout
        while open_terminals(self.proc.pid) < self.rows:
            if time.monotonic() > end or self.proc.poll() is not None:
                raise RuntimeError(f"only {open_terminals(self.proc.pid)} of {self.rows} sensors connected")
            time.sleep(0.5)
        time.sleep(5)

    def log_lines(self):
        n = 0
        for f in os.listdir(self.logs):
            with open(os.path.join(self.logs, f), "rb") as fh:
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


def cpu_over(inst, seconds):
    pid = inst.proc.pid
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return cpu_seconds(pid) - c0, time.monotonic() - t0


TEN = [("T", {}), ("T", {}), ("H", {}), ("H", {}), ("W", {}), ("W", {}), ("P", {}), ("P", {}),
       ("A", {"StartInBump": "1"}), ("D", {"StartInProx": "1"})]


def measure_startup(results):
    times = []
    for _ in range(5):
        inst = Instance(TEN, connect=False)
        try:
            inst.start()
            while not inst.window_shown():
                if time.monotonic() - inst.started > 30:
                    raise RuntimeError("no main window after 30 s")
                time.sleep(0.002)
            times.append(time.monotonic() - inst.started)
        finally:
            inst.close()
    results["startup"] = f"{statistics.median(times) * 1000:.0f} ms (median of 5)"


def measure_idle(results, seconds):
    inst = Instance(TEN).start()
    try:
        inst.wait_connected()
        cpu, wall = cpu_over(inst, seconds)
        results["idle"] = f"{100 * cpu / wall:.2f} % of one core"
    finally:
        inst.close()


def measure_stream(results, seconds):
    inst = Instance([("A", {"StartInBump": "0"})], sim_args={"A": ["--rate", "100"]}).start()
    try:
        inst.wait_connected()
        cpu, wall = cpu_over(inst, seconds)
        lines = 100 * wall
        results["stream"] = f"{100 * cpu / wall:.2f} % of one core, {1e6 * cpu / lines:.0f} us a line"
    finally:
        inst.close()


def measure_week(results, speed):
    four = [("T", {}), ("T", {}), ("H", {}), ("H", {})]
    inst = Instance(four, file_logging="1", speed=speed).start()
    try:
        inst.wait_connected()
        pid = inst.proc.pid
        week = WEEK_S / speed
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
        alive = inst.proc.poll() is None
        results["week"] = (first, second, f"peaks of the first and second half; {inst.log_lines()} log "
                           f"lines of {4 * 7 * 24 * 60} readings" + ("" if alive else ", program ended"))
    finally:
        inst.close()


def measure_million(results, lines):
    inst = Instance([("A", {"StartInBump": "0"})],
                    sim_args={"A": ["--rate", "50000", "--lines", str(lines)]}).start()
    try:
        inst.wait_connected()
        pid = inst.proc.pid
        time.sleep(5)
        start = rss_kib(pid)
        c0, t0 = cpu_seconds(pid), time.monotonic()
        inst.sims[0].finished.wait(3600)
        time.sleep(3)
        end = rss_kib(pid)
        rate = lines / (time.monotonic() - t0)
        results["million"] = (start, end, f"{lines} lines, about {rate:.0f} a second")
    finally:
        inst.close()


def measure_cameras(results, seconds):
    # Connected at start-up, each at its place on the cameras page; the first one is also sent to
    # the summary page, which is the one on the screen.
    inst = Instance([("V", {})] * 4).start()
    try:
        end = time.monotonic() + 60
        while not inst.window_shown():
            if time.monotonic() > end or inst.proc.poll() is not None:
                raise RuntimeError("no main window")
            time.sleep(0.2)
        time.sleep(10)  # the four pipelines started and running
        if inst.proc.poll() is not None:
            raise RuntimeError("the program ended")
        cpu, wall = cpu_over(inst, seconds)
        results["cameras"] = f"{100 * cpu / wall:.2f} % of one core, {25 * cpu / wall:.2f} % a camera"
    finally:
        inst.close()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seconds", type=float, default=60, help="length of each CPU measurement")
    ap.add_argument("--speed", type=float, default=2000, help="program clock speed-up of the week run")
    ap.add_argument("--lines", type=int, default=1000000, help="lines of the streamed-memory run")
    ap.add_argument("--only", nargs="*", help="measure only these: startup idle stream week million cameras")
    a = ap.parse_args()
    for f in (PROGRAM, SIMULATOR):
        if not os.access(f, os.X_OK):
            sys.exit(f"{f} is missing: run bench/run.sh")

    results = {}
    jobs = {
        "startup": lambda: measure_startup(results),
        "idle": lambda: measure_idle(results, a.seconds),
        "stream": lambda: measure_stream(results, a.seconds),
        "week": lambda: measure_week(results, a.speed),
        "million": lambda: measure_million(results, a.lines),
        "cameras": lambda: measure_cameras(results, a.seconds),
    }

    def run(name):
        try:
            jobs[name]()
        except Exception as e:  # one failed figure does not end the others
            results[name] = f"failed: {e}"

    threads = [threading.Thread(target=run, args=(n,)) for n in jobs if not a.only or n in a.only]
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    def memory(key):
        v = results.get(key, "not run")
        if isinstance(v, str):
            return [v, "", ""]
        start, end, note = v
        return [f"{start / 1024:.1f} MiB", f"{end / 1024:.1f} MiB", f"{(end - start) / 1024:+.2f} MiB; {note}"]

    rows = [
        ["Start-up to the main window", results.get("startup", "not run"), "", ""],
        ["Idle CPU, ten sensors connected", results.get("idle", "not run"), "", ""],
        ["CPU, 100 streamed lines a second", results.get("stream", "not run"), "", ""],
        ["RSS, a simulated week of readings"] + memory("week"),
        ["RSS, a million streamed lines"] + memory("million"),
        ["CPU with four test cameras live", results.get("cameras", "not run"), "", ""],
    ]
    head = ["Figure", "Value / RSS at start", "RSS at end", "Growth"]
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(4)]
    line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


if __name__ == "__main__":
    main()
