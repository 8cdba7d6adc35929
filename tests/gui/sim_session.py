"""The session the end-to-end tests of QNBootRepair-sim.exe share: Wine on a private X server.

A test script is run as

    SCRIPT MODE EXE WINE64 WINEPREFIX SHOT_DIR

The program runs on a simulated machine (never this one's disks). Clicks and keys are real X
input (xdotool); what the window shows is read from the simulated program's test channel (its
control tree as text, QN_SIM_UI_DUMP) and every change it makes to the machine from its journal
(QN_SIM_JOURNAL). Screenshots of every page reached are saved as PNG files in SHOT_DIR.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT = 60


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Control:
    def __init__(self, line):
        m = re.match(r"(\d+) (\S+) name=(\S*) visible=(\d) enabled=(\d) pos=(-?\d+),(-?\d+),(-?\d+),(-?\d+) text=(.*)$", line)
        if not m:
            raise Failure("unreadable control line: " + line)
        self.depth = int(m.group(1))
        self.kind = m.group(2)
        self.name = m.group(3)
        self.visible = m.group(4) == "1"
        self.enabled = m.group(5) == "1"
        self.pos = tuple(int(m.group(i)) for i in range(6, 10))
        self.text = m.group(10)


class Dump:
    def __init__(self, text):
        lines = text.splitlines()
        self.origin = (0, 0)
        self.minimized = False
        self.page = -1
        self.controls = []
        for line in lines:
            if line.startswith("origin "):
                _, x, y = line.split()
                self.origin = (int(x), int(y))
            elif line.startswith("minimized "):
                self.minimized = line.split()[1] == "1"
            elif line.startswith("page "):
                self.page = int(line.split()[1])
            elif line:
                self.controls.append(Control(line))

    def find(self, name):
        for control in self.controls:
            if control.name == name:
                return control
        return None

    def texts(self):
        return [c.text for c in self.controls if c.visible]


def display_free(number):
    """No X server has the display: no lock file, or one left by a server that has ended (which
    the next X server takes over, as X does with stale locks)."""
    try:
        with open("/tmp/.X%d-lock" % number) as f:
            pid = int(f.read().strip())
    except FileNotFoundError:
        return not os.path.exists("/tmp/.X11-unix/X%d" % number)
    except (OSError, ValueError):
        return False
    return not os.path.exists("/proc/%d" % pid)


class Session:
    def __init__(self, exe, wine, prefix, shots, name):
        self.exe, self.wine, self.prefix, self.shots, self.name = exe, wine, prefix, shots, name
        self.work = tempfile.mkdtemp(prefix="qnsim_")
        self.dump = os.path.join(self.work, "ui.txt")
        self.journal = os.path.join(self.work, "journal.txt")
        self.xvfb = None
        self.program = None
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=d", LANG="zh_CN.UTF-8",
                        LC_ALL="zh_CN.UTF-8", QN_SIM_UI_DUMP=windows_path(self.dump),
                        QN_SIM_JOURNAL=windows_path(self.journal))
        self.env.pop("QN_SIM_SCENARIO", None)

    def __enter__(self):
        display = next(n for n in range(181, 260) if display_free(n))
        self.xvfb = subprocess.Popen(["Xvfb", ":%d" % display, "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.env["DISPLAY"] = ":%d" % display
        deadline = time.time() + 20
        while subprocess.call(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL) != 0:
            check(time.time() < deadline, "Xvfb did not start")
            time.sleep(0.1)
        # A wineserver of our own, started with this display: the one the other Wine tests use
        # has none, and programs on its desktop could not show a window.
        self.stop_wineserver()
        for face in ("Microsoft YaHei", "SimSun"):
            subprocess.call([self.wine, "reg", "add", r"HKCU\Software\Wine\Fonts\Replacements",
                             "/v", face, "/t", "REG_SZ", "/d", "WenQuanYi Micro Hei", "/f"],
                            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def stop_wineserver(self):
        subprocess.call([os.path.join(os.path.dirname(self.wine), "wineserver"), "-k"],
                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def __exit__(self, *exc):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.stop_wineserver()
        if self.xvfb:
            # Terminated, not killed: Xvfb then removes its lock file and socket, and the display
            # number is free for the next session.
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def start(self, scenario=None):
        """Starts a copy of the program in this session's Wine desktop."""
        env = dict(self.env)
        if scenario:
            env["QN_SIM_SCENARIO"] = windows_path(os.path.join(HERE, "scenarios", scenario))
        return subprocess.Popen([self.wine, self.exe], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def launch(self, scenario=None):
        self.program = self.start(scenario)

    def read_dump(self):
        try:
            with open(self.dump, encoding="utf-8") as f:
                return Dump(f.read())
        except FileNotFoundError:
            return None

    def wait_for(self, what, predicate, timeout=TIMEOUT):
        deadline = time.time() + timeout
        while time.time() < deadline:
            dump = self.read_dump()
            if dump is not None and predicate(dump):
                return dump
            if self.program and self.program.poll() is not None:
                raise Failure("the program ended while waiting for " + what)
            time.sleep(0.1)
        raise Failure("timed out waiting for " + what)

    def wait_page(self, page):
        # A window centred on the screen is never at 0,0: until it has moved there, the
        # positions in the dump are not yet where the window shows.
        return self.wait_for("page %d" % page, lambda d: d.page == page and d.origin != (0, 0))

    def journal_lines(self):
        try:
            with open(self.journal, encoding="utf-8") as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def xdo(self, *args):
        subprocess.check_call(["xdotool"] + list(args), env=self.env)

    def click(self, name):
        dump = self.wait_for(name + " shown and enabled",
                             lambda d: d.find(name) is not None and d.find(name).visible
                             and d.find(name).enabled)
        control = dump.find(name)
        left, top, right, bottom = control.pos
        x = dump.origin[0] + (left + right) // 2
        y = dump.origin[1] + (top + bottom) // 2
        self.xdo("mousemove", "--sync", str(x), str(y))
        time.sleep(0.15)
        self.xdo("click", "1")

    def key(self, *keys):
        for k in keys:
            self.xdo("key", k)
            time.sleep(0.1)

    def type(self, text):
        self.xdo("type", "--delay", "80", text)

    def screenshot(self, label):
        dump = self.read_dump()
        path = os.path.join(self.shots, "sim_%s_%s.png" % (self.name, label))
        if dump is not None:
            x, y = dump.origin
            crop = ["-crop", "600x398+%d+%d" % (max(x, 0), max(y, 0)), "+repage"]
        else:
            crop = []
        subprocess.call(["import", "-window", "root"] + crop + [path], env=self.env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print("screenshot:", path)

    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")


def check_left_nothing_behind(journal):
    """Every letter given is taken back, every hive loaded is unloaded, the work folder is gone."""
    mounted = set()
    for line in journal:
        m = re.match(r"mount (\S+) ", line)
        if m and " failed" not in line:
            mounted.add(m.group(1))
        m = re.match(r"unmount (\S+)$", line)
        if m:
            mounted.discard(m.group(1))
    check(not mounted, "letters left behind: %s" % sorted(mounted))
    loads = sum(1 for l in journal if "reg load" in l and l.endswith("-> 0"))
    unloads = sum(1 for l in journal if "reg unload" in l and l.endswith("-> 0"))
    check(loads == unloads, "%d hives loaded, %d unloaded" % (loads, unloads))
    work = [l.split(" ", 1)[1] for l in journal
            if re.match(r"mkdir .*\\Temp\\[a-z0-9]{9}$", l)]
    check(work, "no work folder was made")
    for folder in work:
        check("rmdir " + folder in journal, "work folder left behind: " + folder)


def run_modes(modes):
    """The scripts' main: runs the mode named on the command line; 0 when it passed."""
    mode, exe, wine, prefix, shots = sys.argv[1:6]
    os.makedirs(shots, exist_ok=True)
    with Session(exe, wine, prefix, shots, mode) as s:
        try:
            modes[mode](s)
        except Failure as failure:
            s.screenshot("failure")
            print("FAILED:", failure)
            for line in s.journal_lines()[-30:]:
                print("  journal:", line)
            return 1
    print("passed:", mode)
    return 0
