#!/usr/bin/env python3
"""End-to-end tests of QNBootRepair-sim.exe: start-up, pages, the scan, shutdown.

    sim_gui_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR
"""
import re
import subprocess
import sys
import time

from sim_session import TIMEOUT, Failure, check, check_left_nothing_behind, run_modes


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
    check(start.find("lbStActPt").text.startswith("磁盘0:     F:    磁盘1:     G:    "),
          "lbStActPt: [%s]" % start.find("lbStActPt").text)
    # The start-up diagnosis arrives from its worker: the demo machine's first broken link, and
    # where the automatic repair will put the boot files.
    start = s.wait_for("the start diagnosis", lambda d: d.find("lbStDiag") is not None
                       and d.find("lbStDiag").text == "激活分区缺少 ntldr")
    check(start.find("lbStActPt").text ==
          "磁盘0:     F:    磁盘1:     G:    → 引导写入 磁盘0 F: (BIOS 启动盘)",
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
    # The repair follows the scan; its end gives the buttons back.
    s.wait_for("the repair's end", lambda d: d.find("BtnRsReturn").enabled, timeout=90)
    # Closing in the middle of the manual flow's scan ends cleanly.
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

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
