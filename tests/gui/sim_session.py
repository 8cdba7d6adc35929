"""The session the end-to-end tests of QNBootRepair-sim.exe share: Wine on a private X server.

A test script is run as

    SCRIPT MODE EXE WINE64 WINEPREFIX SHOT_DIR

The program runs on a simulated machine (never this one's disks). Clicks and keys are real X
input (xdotool); what the window shows is read from the simulated program's test channel (its
control tree as text, QN_SIM_UI_DUMP) and every change it makes to the machine from its journal
(QN_SIM_JOURNAL); the files it writes there (the repair log) are copied out as it closes them
(QN_SIM_FILES). Screenshots of every page reached are saved as PNG files in SHOT_DIR.
"""
import json
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


def display_free(number):
    """Whether an X display number is free; the lock of an X server that is gone is cleared."""
    lock = "/tmp/.X%d-lock" % number
    socket = "/tmp/.X11-unix/X%d" % number
    if os.path.exists(lock):
        try:
            with open(lock) as f:
                pid = int(f.read().strip())
            os.kill(pid, 0)
            return False  # a live server holds it
        except PermissionError:
            return False  # someone else's live server
        except (ValueError, OSError):
            pass  # no such process: the lock outlived its server
        for stale in (lock, socket):
            try:
                os.remove(stale)
            except OSError:
                return False
        return True
    return not os.path.exists(socket)


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


class Session:
    def __init__(self, exe, wine, prefix, shots, name):
        self.exe, self.wine, self.prefix, self.shots, self.name = exe, wine, prefix, shots, name
        self.work = tempfile.mkdtemp(prefix="qnsim_")
        self.dump = os.path.join(self.work, "ui.txt")
        self.journal = os.path.join(self.work, "journal.txt")
        self.verdict_file = os.path.join(self.work, "verdict.json")
        self.messages_file = os.path.join(self.work, "messages.txt")
        self.files = os.path.join(self.work, "files")
        os.makedirs(self.files)
        self.xvfb = None
        self.program = None
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=d", LANG="zh_CN.UTF-8",
                        LC_ALL="zh_CN.UTF-8", QN_SIM_UI_DUMP=windows_path(self.dump),
                        QN_SIM_JOURNAL=windows_path(self.journal),
                        QN_SIM_VERDICT=windows_path(self.verdict_file),
                        QN_SIM_MESSAGES=windows_path(self.messages_file),
                        QN_SIM_FILES=windows_path(self.files))
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
            # Terminated, not killed: Xvfb then removes its lock file and socket itself.
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def start(self, scenario=None, args=(), stdout=subprocess.DEVNULL):
        """Starts a copy of the program in this session's Wine desktop."""
        env = dict(self.env)
        if scenario:
            # "sim/scenarios/x.xml": one of the project's machines; otherwise one of these tests'.
            folder = os.path.dirname(os.path.dirname(HERE)) if scenario.startswith("sim/") \
                else os.path.join(HERE, "scenarios")
            env["QN_SIM_SCENARIO"] = windows_path(os.path.join(folder, scenario))
        return subprocess.Popen([self.wine, self.exe] + list(args), env=env, stdout=stdout,
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

    def verdict(self):
        """What the simulated machine would boot now (its own truth, not the program's)."""
        deadline = time.time() + 10
        while True:
            try:
                with open(self.verdict_file, encoding="utf-8") as f:
                    return json.load(f)
            except (FileNotFoundError, ValueError):
                # Written as the program changes the machine: a read may meet half a file.
                if time.time() > deadline:
                    raise Failure("no boot verdict from the simulated machine")
                time.sleep(0.1)

    def written_file(self, path):
        """The text of a file the program wrote on the simulated machine (a Windows path)."""
        name = path.rsplit("\\", 1)[-1]
        try:
            with open(os.path.join(self.files, name), encoding="utf-8-sig") as f:
                return f.read()
        except FileNotFoundError:
            raise Failure("the program wrote no " + path)

    def messages(self):
        """Every message box the program opened so far: (caption, text)."""
        try:
            with open(self.messages_file, encoding="utf-8") as f:
                return [tuple(line.rstrip("\n").split("|", 1)) for line in f if "|" in line]
        except FileNotFoundError:
            return []

    def wait_message(self, count, timeout=TIMEOUT):
        """Waits until the program has opened count message boxes; returns the last one."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            shown = self.messages()
            if len(shown) >= count:
                time.sleep(0.5)  # the box draws after it is announced
                return shown[count - 1]
            if self.program and self.program.poll() is not None:
                raise Failure("the program ended while waiting for a message box")
            time.sleep(0.1)
        raise Failure("timed out waiting for message box %d" % count)

    def rows(self, dump):
        """The result list's rows, in order."""
        rows, inside, depth = [], False, 0
        for control in dump.controls:
            if control.name == "listResult":
                inside, depth = True, control.depth
                continue
            if inside and control.depth <= depth:
                break
            if inside and control.text and control.kind != "ListHeaderItem":
                rows.append(control.text)
        return rows

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
