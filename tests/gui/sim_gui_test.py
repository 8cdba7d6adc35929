#!/usr/bin/env python3
"""End-to-end tests of QNBootRepair-sim.exe under Wine on a private X server.

    sim_gui_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR

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
        display = next(n for n in range(181, 260)
                       if not os.path.exists("/tmp/.X%d-lock" % n)
                       and not os.path.exists("/tmp/.X11-unix/X%d" % n))
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


def mode_navigate(s):
    started = time.time()
    s.launch()
    s.wait_page(0)
    # The window is placed and shown; its first paint follows at once.
    print("start to shown window: %.2f s" % (time.time() - started))
    start = s.wait_for("the start summary", lambda d: d.page == 0 and d.find("lbStOs") is not None
                       and d.find("lbStOs").text != "")
    check(start.find("lbStOs").text == "Windows 7 Ultimate", "lbStOs: " + start.find("lbStOs").text)
    check(start.find("lbStDkPt").text == "磁盘0:MBR    磁盘1:GPT    ",
          "lbStDkPt: [%s]" % start.find("lbStDkPt").text)
    check(start.find("lbStActPt").text == "磁盘0:     F:    磁盘1:     G:    ",
          "lbStActPt: [%s]" % start.find("lbStActPt").text)
    s.screenshot("page0")

    # Neither key closes the window.
    s.key("Escape")
    time.sleep(0.5)
    check(s.program.poll() is None, "Escape closed the window")

    s.click("BtnRepairMBR")
    boot = s.wait_page(3)
    s.screenshot("page3")
    texts = boot.texts()
    check("F:" in texts and "G:" in texts, "boot partitions not listed: %s" % texts)
    s.click("BtnBootReturn")
    s.wait_page(0)

    s.click("BtnEditBcd")
    s.wait_page(3)
    s.click("BtnBootReturn")
    s.wait_page(0)

    s.click("BtnManuRepair")
    listed = s.wait_for("the installations", lambda d: d.page == 2 and
                        "Windows 10 Pro x64" in d.texts())
    s.screenshot("page2")
    texts = listed.texts()
    for name in ("Windows 7 Ultimate x64", "Microsoft Windows XP x86", "Windows 10 Pro x64"):
        check(name in texts, name + " not listed")
    check(listed.find("lbSpTip").text == "请选择需要修复引导的分区:", "lbSpTip")
    check(listed.find("BtnSpNext").enabled, "BtnSpNext stays disabled")

    # Only digits stay in the timeout edit.
    s.click("edTimeout")
    s.key("End")
    s.type("a1b2")
    edited = s.wait_for("the timeout text", lambda d: "12" in d.find("edTimeout").text)
    check(re.fullmatch(r"[0-9]+", edited.find("edTimeout").text),
          "edTimeout kept: " + edited.find("edTimeout").text)

    s.click("BtnSpNext")
    s.wait_page(3)
    s.click("BtnBootReturn")
    s.wait_page(2)
    s.click("BtnSpReturn")
    s.wait_page(0)

    s.key("Return")
    time.sleep(0.5)
    check(s.program.poll() is None, "Return closed the window")

    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_scan(s):
    s.launch("slow_scan.xml")
    s.wait_page(0)
    s.click("BtnAutoRepair")
    running = s.wait_for("progress rows", lambda d: d.page == 1 and any(
        t.startswith("正在检测可修复引导的分区，请稍候...(") for t in d.texts()))
    s.screenshot("page1_scanning")
    check(not running.find("BtnRsQuit").enabled, "BtnRsQuit enabled during the scan")
    done = s.wait_for("100 %", lambda d: "正在检测可修复引导的分区，请稍候...(100%)" in d.texts(),
                      timeout=90)
    check(done.page == 1, "left the result page")
    # Closing in the middle of the manual flow's scan ends cleanly.
    time.sleep(1.5)
    s.key("Return")  # acknowledges what the automatic flow says about itself
    s.click("BtnRsReturn")
    s.wait_page(0)
    s.click("BtnManuRepair")
    s.wait_for("the scan running", lambda d: d.page == 2 and
               d.find("lbSpTip").text.startswith("正在检测可修复引导的分区，请稍候...("))
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    journal = s.journal_lines()
    check(any("reg load" in l for l in journal), "no hive was loaded")
    check_left_nothing_behind(journal)


def mode_abort(s):
    s.launch("no_active.xml")
    time.sleep(3)
    s.screenshot("abort_message")
    # The message box has the keyboard focus on its acknowledge button.
    deadline = time.time() + TIMEOUT
    while s.program.poll() is None and time.time() < deadline:
        s.key("Return")
        time.sleep(1)
    check(s.wait_exit() == 1, "exit code not 1")
    journal = s.journal_lines()
    check_left_nothing_behind(journal)


def mode_second(s):
    s.launch()
    s.wait_page(0)
    # The first copy is minimised; the second start must bring it back.
    s.click("btn_min")
    s.wait_for("the window minimised", lambda d: d.minimized)
    second = s.start()
    try:
        code = second.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        second.kill()
        raise Failure("the second copy did not end")
    check(code == 0, "second copy ended with %d" % code)
    check(s.program.poll() is None, "the first copy ended")
    s.wait_for("the first copy's window restored", lambda d: not d.minimized, timeout=15)
    s.screenshot("after_second_start")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


MODES = {"navigate": mode_navigate, "scan": mode_scan, "abort": mode_abort,
         "second": mode_second}


def main():
    mode, exe, wine, prefix, shots = sys.argv[1:6]
    os.makedirs(shots, exist_ok=True)
    with Session(exe, wine, prefix, shots, mode) as s:
        try:
            MODES[mode](s)
        except Failure as failure:
            s.screenshot("failure")
            print("FAILED:", failure)
            for line in s.journal_lines()[-30:]:
                print("  journal:", line)
            return 1
    print("passed:", mode)
    return 0


if __name__ == "__main__":
    sys.exit(main())
