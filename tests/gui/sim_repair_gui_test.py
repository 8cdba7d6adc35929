#!/usr/bin/env python3
"""End-to-end tests of the repair workflows of QNBootRepair-sim.exe, with real input, judged by
the simulated machine's boot verdict.

    sim_repair_gui_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR
"""
import re
import sys
import time

from sim_session import check, check_left_nothing_behind, run_modes


def wait_done(s, what):
    """Waits for a repair run's end: the result page's buttons come back."""
    return s.wait_for(what, lambda d: d.page == 1 and d.find("BtnRsReturn").enabled
                      and d.find("BtnRsQuit").enabled, timeout=90)


# A bootsect row that ended well: "......成功!", with bootsect's warning when it could not lock
# the volume (the running system has files open there); warned=True asks for the warning.
BOOTSECT_WARNING = re.compile(r"（警告: 无法锁定该卷，写入可能不可靠: [^）]+）")


def bootsect_succeeded(row, warned=None):
    head, sep, tail = row.partition("......成功!")
    if not sep:
        return False
    has_warning = BOOTSECT_WARNING.fullmatch(tail) is not None
    if warned is None:
        return tail == "" or has_warning
    return has_warning if warned else tail == ""


def products(verdict):
    return sorted(item["product"] for item in verdict["menu"] if item["product"])


def default_product(verdict):
    return next((item["product"] for item in verdict["menu"] if item["default"]), None)


def mode_auto_repair(s):
    s.launch()
    s.wait_page(0)
    before = s.verdict()
    check(not before["boots"], "the demo machine booted before its repair: %s" % before)
    s.click("BtnAutoRepair")
    done = wait_done(s, "the automatic repair")
    rows = s.rows(done)
    s.screenshot("auto_repair_result")
    for row in ("正在修复: C: Windows 7 Ultimate x64......成功",
                "正在修复: E: Windows 10 Pro x64......成功",
                "正在修复: D:Microsoft Windows XP x86......成功",
                "验证: C: Windows 7 Ultimate x64 可以启动（默认启动项）",
                "验证: D: Microsoft Windows XP x86 可以启动",
                "验证: E: Windows 10 Pro x64 可以启动",
                "修复完成!"):
        check(row in rows, "row missing: %s\n%s" % (row, "\n".join(rows)))
    check(rows[-1].startswith("修复日志: C:\\Users\\Administrator\\Desktop\\QNBootRepair_"),
          "the last row does not name the log: " + rows[-1])
    check(done.find("lbResultTip").text == "修复完成!", "tip: " + done.find("lbResultTip").text)
    after = s.verdict()
    check(after["boots"], "the machine does not boot after the repair: %s" % after)
    check(products(after) == ["Microsoft Windows XP", "Windows 10 Pro", "Windows 7 Ultimate"],
          "menu after the repair: %s" % after["menu"])
    check(default_product(after) == "Windows 7 Ultimate", "default: %s" % after["menu"])
    s.click("BtnRsReturn")
    s.wait_page(0)
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_manual_repair(s):
    s.launch()
    s.wait_page(0)
    s.click("BtnManuRepair")
    listed = s.wait_for("the installations", lambda d: d.page == 2 and
                        "Windows 10 Pro x64" in d.texts() and d.find("BtnSpNext").enabled)
    # Uncheck XP and Windows 10: the rows come in letter order C, D, E; the check boxes are the
    # rows' CheckBox controls.
    boxes = [c for c in listed.controls
             if c.kind == "CheckBox" and c.visible and c.name != "ckClearBootRepair"]
    check(len(boxes) == 3, "check boxes: %d" % len(boxes))
    for box in boxes[1:]:
        x = listed.origin[0] + (box.pos[0] + box.pos[2]) // 2
        y = listed.origin[1] + (box.pos[1] + box.pos[3]) // 2
        s.xdo("mousemove", "--sync", str(x), str(y))
        time.sleep(0.15)
        s.xdo("click", "1")
        time.sleep(0.3)
    s.screenshot("manual_choice")
    s.click("BtnSpNext")
    s.wait_page(3)
    s.click("BtnBootRepair")
    done = wait_done(s, "the manual repair")
    rows = s.rows(done)
    s.screenshot("manual_repair_result")
    check("正在修复: C: Windows 7 Ultimate x64......成功" in rows, "\n".join(rows))
    check(not any("E: Windows 10" in r or "D:Microsoft" in r for r in rows),
          "an unchecked system was repaired:\n" + "\n".join(rows))
    for line in s.journal_lines():
        if "reg load" in line or "reg unload" in line:
            continue  # the scan reads every system
        check("E:\\Windows" not in line and "{ntldr}" not in line,
              "the unchecked systems were touched: " + line)
    after = s.verdict()
    check(products(after) == ["Windows 7 Ultimate"], "menu: %s" % after["menu"])
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_gpt32_refusal(s):
    s.launch("sim/scenarios/gpt_x86.xml")
    s.wait_page(0)
    before = s.verdict()
    s.click("BtnManuRepair")
    s.wait_for("the installation", lambda d: d.page == 2 and d.find("BtnSpNext").enabled
               and "Windows 7 Professional x86" in d.texts())
    s.click("BtnSpNext")
    s.wait_page(3)
    s.click("BtnBootRepair")
    caption, text = s.wait_message(1)
    s.screenshot("gpt32_refusal")
    check(caption == "错误信息", "caption: " + caption)
    check(text.endswith(": 所在磁盘分区表类型为GPT，不支持引导32位操作系统，请重新选择！"),
          "text: " + text)
    s.key("Return")
    s.wait_page(0)
    check(not any(l.startswith(("run ", "capture ")) and ("bcdboot" in l or "bootsect" in l)
                  for l in s.journal_lines()), "a tool ran after the refusal")
    check(s.verdict() == before, "the machine changed after the refusal")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_mbr_repair(s):
    s.launch("sim/scenarios/wiped_mbr.xml")
    s.wait_page(0)
    check(not s.verdict()["boots"], "the wiped MBR booted")
    for button, kind in (("BtnMRNt6", "NT6 PBR引导"), ("BtnMRNt5", "NT5 PBR引导"),
                         ("BtnMBRRepair", "所属硬盘的MBR主引导")):
        s.click("BtnRepairMBR")
        s.wait_page(3)
        s.click("BtnBootRepair")
        s.wait_page(4)
        s.click(button)
        done = wait_done(s, "the %s repair" % button)
        rows = s.rows(done)
        s.screenshot("mbr_%s" % button)
        check(rows[0] == "分区表类型为: MBR", rows[0])
        check(kind in rows[1] and bootsect_succeeded(rows[1]), rows[1])
        if button == "BtnMBRRepair":
            # Only the master boot record's code brings the machine back: the run says so.
            check(len(rows) == 5, "rows: %s" % rows)
            check(rows[2].startswith("验证: 默认启动项为 "), rows[2])
            check(rows[3] == "修复完成!", rows[3])
        else:
            check(len(rows) == 4, "rows: %s" % rows)
            check(rows[2] == "修复未完成：磁盘0 主引导记录没有引导代码", rows[2])
        s.click("BtnRsReturn")
        s.wait_page(0)
    # The last kind rewrote the disk's MBR with NT6 code: Windows 10 boots again.
    after = s.verdict()
    check(after["boots"] and default_product(after) == "Windows 10 Home", "verdict: %s" % after)
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_editor_no_files(s):
    # The ESP of this machine has a letter but no store: nothing to edit there.
    s.launch("sim/scenarios/uefi_installed.xml")
    s.wait_page(0)
    s.click("BtnEditBcd")
    s.wait_page(3)
    s.click("BtnBootRepair")
    caption, text = s.wait_message(1)
    s.screenshot("editor_no_boot_files")
    check(caption == "错误信息", "caption: " + caption)
    check(text == "没有查找到引导文件(BCD或boot.ini)，请重新选择！", "text: " + text)
    s.key("Return")
    time.sleep(0.5)
    check(s.read_dump().page == 3, "left the boot partition page")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


# The guards: questions asked before the first write, answered with the keyboard.
GUARD_CAPTION = "提示信息"
STOPPED_ROW = "已按您的选择取消修复，未做任何更改"
STOPPED_TIP = "修复已取消，未做任何更改"


def tool_runs(lines, tool):
    """The journal's runs of a stand-in tool ("bootsect")."""
    return [l for l in lines if l.startswith(("run ", "capture ")) and "\\%s.exe" % tool in l]


def check_nothing_written(lines):
    """After a refusal the run may still read the stores and keep its log, its work folder and
    the list of what it leaves until it ends (LOCALAPPDATA\\QNBootRepair)."""
    for line in lines:
        check("/enum" in line or line.startswith("  > ") or "\\Temp" in line
              or "QNBootRepair_" in line or "\\AppData\\Local\\QNBootRepair" in line,
              "written after the refusal: " + line)


def guard_question(s, count, *words):
    """Waits for the count-th message box, a guard's question naming words; returns how long
    the journal was while it was asked (the run waits for the answer)."""
    caption, text = s.wait_message(count)
    check(caption == GUARD_CAPTION, "caption: " + caption)
    for word in words:
        check(word in text, "the question does not say %s: %s" % (word, text))
    check("确定(Y)：" in text and "取消(C)：" in text, "the answers are not explained: " + text)
    return len(s.journal_lines())


def run_log(s, rows):
    check(rows and rows[-1].startswith("修复日志: "), "no log row: %s" % rows)
    return s.written_file(rows[-1][len("修复日志: "):])


def check_stopped(s, done, before):
    rows = s.rows(done)
    check(STOPPED_ROW in rows, "rows:\n" + "\n".join(rows))
    check(not any(r.endswith(("成功", "成功!")) for r in rows), "a step ran:\n" + "\n".join(rows))
    check(done.find("lbResultTip").text == STOPPED_TIP, "tip: " + done.find("lbResultTip").text)
    check(s.verdict() == before, "the machine changed: %s" % s.verdict())
    check_undo_hidden(done, "after a run that changed nothing")
    return rows


def start_again(s, button):
    s.click("BtnRsReturn")
    s.wait_page(0)
    s.click(button)


def mbr_page_repair(s):
    s.click("BtnRepairMBR")
    s.wait_page(3)
    s.click("BtnBootRepair")
    s.wait_page(4)
    s.click("BtnMBRRepair")


def mode_guard_grub_mbr_page(s):
    s.launch("sim/scenarios/grub_mbr.xml")
    s.wait_page(0)
    before = s.verdict()
    check(not before["boots"] and "GRUB" in before["problem"], "before: %s" % before)
    mbr_page_repair(s)
    asked = guard_question(s, 1, "GRUB", "不做任何更改")
    s.screenshot("guard_grub_question")
    s.key("Return")  # the keyboard starts on 取消(C)
    done = wait_done(s, "the refused MBR repair")
    check_stopped(s, done, before)
    check_nothing_written(s.journal_lines()[asked:])
    check("取消(C)：保留主引导记录" in run_log(s, s.rows(done)), "the log misses the answer")
    # Alt with the caption's letter answers 确定(Y).
    s.click("BtnRsReturn")
    s.wait_page(0)
    mbr_page_repair(s)
    guard_question(s, 2, "GRUB")
    s.key("alt+y")
    done = wait_done(s, "the confirmed MBR repair")
    rows = s.rows(done)
    # The running system keeps the volume in use: bootsect writes anyway and warns.
    check(any("MBR主引导" in r and bootsect_succeeded(r, warned=True) for r in rows),
          "\n".join(rows))
    check(done.find("lbResultTip").text == "修复完成!", done.find("lbResultTip").text)
    check_undo_offered(done)
    check(any(" /mbr" in l for l in tool_runs(s.journal_lines(), "bootsect")), "no bootsect /mbr")
    after = s.verdict()
    check(after["boots"] and default_product(after) == "Windows 7 Home Premium", "%s" % after)
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_usb_stick(s):
    # Windows PE from a USB stick that is disk 0: the start page and the boot partition list
    # name disk 1, which the BIOS starts, and mark the stick; the repair leaves the stick alone.
    s.launch("sim/scenarios/usb_stick_bios.xml")
    s.wait_page(0)
    start = s.wait_for("the start diagnosis", lambda d: d.find("lbStActPt") is not None
                       and "引导写入" in d.find("lbStActPt").text)
    line = start.find("lbStActPt").text
    check(re.search(r"→ 引导写入 磁盘1 [A-Z]: \(BIOS 启动盘\)$", line), line)
    s.screenshot("usb_stick_start")
    s.click("BtnRepairMBR")
    boot = s.wait_page(3)
    texts = boot.texts()
    check("WINPE (可移动)" in texts, "the stick is not marked: %s" % texts)
    check("System Reserved — 推荐: BIOS 启动盘" in texts, "no recommended row: %s" % texts)
    s.screenshot("usb_stick_boot_list")
    s.click("BtnBootReturn")
    s.wait_page(0)
    quiet = len(s.journal_lines())
    s.click("BtnAutoRepair")
    done = wait_done(s, "the automatic repair")
    rows = s.rows(done)
    check(done.find("lbResultTip").text == "修复完成!", "rows:\n" + "\n".join(rows))
    touched = [l for l in s.journal_lines()[quiet:] if " D:\\" in l or l.endswith(" D:")]
    check(not touched, "the stick was touched: %s" % touched[:5])
    check(s.verdict()["boots"], "the machine does not boot: %s" % s.verdict())
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_guard_grub_auto(s):
    s.launch("sim/scenarios/grub_mbr.xml")
    s.wait_page(0)
    s.click("BtnAutoRepair")
    asked = guard_question(s, 1, "GRUB", "只修复其余部分")
    s.key("c")
    done = wait_done(s, "the repair that keeps GRUB")
    rows = s.rows(done)
    # Every step succeeded, but the machine still starts GRUB: the run does not call it done.
    check(STOPPED_ROW not in rows and "修复完成!" not in rows and
          done.find("lbResultTip").text.startswith("修复未完成：") and
          "GRUB" in done.find("lbResultTip").text, "rows:\n" + "\n".join(rows))
    runs = tool_runs(s.journal_lines()[asked:], "bootsect")
    check(runs and all(" /mbr" not in l for l in runs), "bootsect after keeping GRUB: %s" % runs)
    check("取消(C)：保留主引导记录，只修复其余部分" in run_log(s, rows), "the log misses the answer")
    kept = s.verdict()
    check(not kept["boots"] and "GRUB" in kept["problem"], "GRUB was not kept: %s" % kept)
    # Asked again on the next run, and 确定(Y) by its letter alone.
    start_again(s, "BtnAutoRepair")
    asked = guard_question(s, 2, "GRUB")
    s.key("y")
    done = wait_done(s, "the repair that overwrites GRUB")
    runs = tool_runs(s.journal_lines()[asked:], "bootsect")
    check(any(" /mbr" in l for l in runs), "no bootsect /mbr after 确定: %s" % runs)
    after = s.verdict()
    check(after["boots"] and default_product(after) == "Windows 7 Home Premium", "%s" % after)
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_guard_bitlocker(s):
    s.launch("sim/scenarios/bitlocker.xml")
    s.wait_page(0)
    before = s.verdict()
    check(not before["boots"], "before: %s" % before)
    s.click("BtnAutoRepair")
    asked = guard_question(s, 1, "BitLocker", "恢复密钥", "停止，不做任何更改")
    s.screenshot("guard_bitlocker_question")
    s.key("Escape")
    done = wait_done(s, "the refused repair")
    check_stopped(s, done, before)
    check_nothing_written(s.journal_lines()[asked:])
    # Tab from 取消(C) reaches 确定(Y), and Space presses it.
    start_again(s, "BtnAutoRepair")
    asked = guard_question(s, 2, "BitLocker")
    s.key("Tab", "space")
    done = wait_done(s, "the confirmed repair")
    rows = s.rows(done)
    check(STOPPED_ROW not in rows and done.find("lbResultTip").text == "修复完成!",
          "rows:\n" + "\n".join(rows))
    check(tool_runs(s.journal_lines()[asked:], "bcdboot"), "bcdboot did not run")
    check(s.verdict()["boots"], "the machine does not boot: %s" % s.verdict())
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_guard_firmware(s):
    # Windows PE started the UEFI way on a machine that starts its MBR disk the BIOS way.
    s.launch("sim/scenarios/pe_uefi_mbr.xml")
    s.wait_page(0)
    before = s.verdict()
    s.click("BtnAutoRepair")
    asked = guard_question(s, 1, "当前系统以 UEFI 方式启动", "本次修复按 BIOS 方式写入引导分区 D:",
                           "停止，不做任何更改")
    s.screenshot("guard_firmware_question")
    s.key("alt+c")
    done = wait_done(s, "the refused repair")
    check_stopped(s, done, before)
    check_nothing_written(s.journal_lines()[asked:])
    check(len(s.messages()) == 1, "asked more: %s" % s.messages())
    # The disks are plain, so the question starts on 确定(Y): Return repairs the BIOS way.
    start_again(s, "BtnAutoRepair")
    guard_question(s, 2, "确定(Y)：按 BIOS 方式修复")
    s.key("Return")
    done = wait_done(s, "the confirmed repair")
    rows = s.rows(done)
    check(done.find("lbResultTip").text == "修复完成!", "rows:\n" + "\n".join(rows))
    check(any(" /f BIOS" in l for l in tool_runs(s.journal_lines(), "bcdboot")),
          "bcdboot did not write for BIOS")
    check(s.verdict()["boots"], "the machine does not boot: %s" % s.verdict())
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_guard_boot_order(s):
    s.launch("sim/scenarios/uefi_grub_first.xml")
    s.wait_page(0)
    s.click("BtnAutoRepair")
    done = wait_done(s, "the automatic repair")
    rows = s.rows(done)
    check(not s.messages(), "asked: %s" % s.messages())
    # The firmware starts GRUB first, whose menu the program cannot follow: not called done.
    tip = done.find("lbResultTip").text
    check(tip.startswith("修复未完成：") and "ubuntu" in tip, "rows:\n" + "\n".join(rows))
    runs = tool_runs(s.journal_lines(), "bcdboot")
    check(runs and all(l.endswith(" /p -> 0") for l in runs), "bcdboot: %s" % runs)
    log = run_log(s, rows)
    check(any(line.startswith("修复前检查: ") and "ubuntu" in line and "/p" in line
              for line in log.splitlines()), "the log does not say why /p:\n" + log)
    # The firmware still starts Ubuntu's GRUB first, as before the repair.
    after = s.verdict()
    check("GRUB" in after["problem"] and "ubuntu" in after["problem"], "after: %s" % after)
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


# Undo: the result page's "撤销本次修复(U)" takes the machine back to where the run found it.
UNDO_CAPTION = "提示信息"


def undo_button(dump):
    button = dump.find("BtnRsUndo")
    check(button is not None, "the result page has no undo button")
    return button


def check_undo_offered(dump):
    button = undo_button(dump)
    check(button.visible and button.enabled,
          "the undo button after the run: visible=%s enabled=%s" % (button.visible,
                                                                   button.enabled))


def check_undo_hidden(dump, when):
    check(not undo_button(dump).visible, "the undo button is shown " + when)


def undo_question(s, count):
    """Waits for the count-th message box, the undo's question; returns the record it names."""
    caption, text = s.wait_message(count)
    check(caption == UNDO_CAPTION, "caption: " + caption)
    check("确定(Y)：撤销本次修复" in text and "取消(C)：不撤销" in text,
          "the answers are not explained: " + text)
    # The box's line breaks come as "\\n" in the list of boxes shown.
    named = re.search(r"撤销记录: (\S*\\QNBootRepair_undo_\d+\\undo\.txt)", text)
    check(named is not None, "the question does not name the record: " + text)
    return named.group(1)


def wait_undone(s):
    """Waits for the undo's end: its own rows (the repair's are gone) and the buttons back."""
    return s.wait_for("the undo", lambda d: d.page == 1 and d.find("BtnRsReturn").enabled
                      and any(r.startswith("撤销 ") for r in s.rows(d)), timeout=90)


def check_undone(s, done, operation):
    rows = s.rows(done)
    check(rows[0].startswith("撤销 ") and rows[0].endswith("的" + operation),
          "the first row does not name the undone run: %s" % rows)
    check(len(rows) >= 3 and rows[-2] == "撤销完成!", "rows:\n" + "\n".join(rows))
    check(not any("失败" in r for r in rows), "rows:\n" + "\n".join(rows))
    tip = done.find("lbResultTip").text
    check(tip == "撤销完成!", "tip: " + tip)
    log = run_log(s, rows)
    check("撤销记录: " in log and operation in log, "the log does not name the record:\n" + log)
    check_undo_hidden(done, "after the undo")
    return rows


def check_no_second_question(s, count):
    """U on a page whose undo button is hidden asks nothing."""
    s.key("u")
    time.sleep(1.5)
    check(len(s.messages()) == count, "asked again: %s" % s.messages()[count:])


def mode_undo_auto(s):
    s.launch()
    s.wait_page(0)
    before = s.verdict()
    check(not before["boots"], "the demo machine booted before its repair: %s" % before)
    s.click("BtnAutoRepair")
    running = s.wait_for("the running repair", lambda d: d.page == 1
                         and not d.find("BtnRsReturn").enabled)
    check_undo_hidden(running, "while the repair runs")
    done = wait_done(s, "the automatic repair")
    check_undo_offered(done)
    repaired = s.verdict()
    check(repaired["boots"] and repaired != before, "after the repair: %s" % repaired)
    repair_rows = s.rows(done)
    quiet = len(s.journal_lines())

    # The question starts on 取消(C): Return keeps the repair.
    s.key("u")
    record = undo_question(s, 1)
    s.screenshot("undo_question")
    s.key("Return")
    time.sleep(1.5)
    kept = s.read_dump()
    check(len(s.journal_lines()) == quiet, "changed after 取消: %s" % s.journal_lines()[quiet:])
    check(s.verdict() == repaired, "the machine changed after 取消")
    check(s.rows(kept) == repair_rows, "the rows changed after 取消")
    check(kept.find("lbResultTip").text == "修复完成!", kept.find("lbResultTip").text)
    check_undo_offered(kept)

    s.key("u")
    check(undo_question(s, 2) == record, "the second question names another record")
    s.key("alt+y")
    done = wait_undone(s)
    s.screenshot("undo_result")
    rows = check_undone(s, done, "自动修复")
    check(rows[-1] != repair_rows[-1], "the undo's log is the repair's: " + rows[-1])
    restore = s.journal_lines()[quiet:]
    check(not any(l.endswith(" failed") for l in restore),
          "a restore failed: %s" % [l for l in restore if l.endswith(" failed")])
    check(any(l.startswith("del ") for l in restore), "nothing the repair added was deleted")
    check(any(l.startswith(("copy ", "move ")) or "/import" in l for l in restore),
          "nothing was brought back: %s" % restore)
    after = s.verdict()
    check(after == before, "the machine after the undo: %s\nbefore the repair: %s"
          % (after, before))
    check_no_second_question(s, 2)

    # Back to the start and another run: hidden until that run has ended.
    s.click("BtnRsReturn")
    s.wait_page(0)
    s.click("BtnAutoRepair")
    running = s.wait_for("the second repair", lambda d: d.page == 1
                         and not d.find("BtnRsReturn").enabled)
    check_undo_hidden(running, "while the second repair runs")
    done = wait_done(s, "the second repair")
    check_undo_offered(done)
    check(s.verdict()["boots"], "the second repair did not make the machine boot")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_undo_mbr(s):
    s.launch("sim/scenarios/wiped_mbr.xml")
    s.wait_page(0)
    before = s.verdict()
    check(not before["boots"] and before["problem"], "the wiped MBR booted: %s" % before)
    mbr_page_repair(s)
    done = wait_done(s, "the MBR repair")
    rows = s.rows(done)
    check(any("所属硬盘的MBR主引导" in r and bootsect_succeeded(r, warned=True) for r in rows),
          "rows:\n" + "\n".join(rows))
    check(s.verdict()["boots"], "the MBR repair did not make the machine boot")
    check_undo_offered(done)
    quiet = len(s.journal_lines())

    s.click("BtnRsUndo")
    undo_question(s, 1)
    s.key("y")
    done = wait_undone(s)
    s.screenshot("undo_mbr_result")
    rows = check_undone(s, done, "修复主引导记录与分区引导记录")
    check(any(r.startswith("还原磁盘0 主引导记录的引导代码") and r.endswith("......成功")
              for r in rows), "no row restores the MBR:\n" + "\n".join(rows))
    check(any(l.startswith("write sectors \\\\.\\PhysicalDrive0 0+1")
              and not l.endswith(" failed") for l in s.journal_lines()[quiet:]),
          "sector 0 was not written back")
    after = s.verdict()
    check(after == before, "after the undo: %s\nbefore the repair: %s" % (after, before))

    # The page's own flow again: no button until that repair has ended, then one for it.
    s.click("BtnRsReturn")
    s.wait_page(0)
    mbr_page_repair(s)
    done = wait_done(s, "the second MBR repair")
    check(any(bootsect_succeeded(r) for r in s.rows(done)), "\n".join(s.rows(done)))
    check_undo_offered(done)
    check(s.verdict()["boots"], "the second MBR repair did not make the machine boot")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")


def mode_undo_fails(s):
    # bcdedit /import fails here: the undo brings back what it can and says what it could not.
    s.launch("undo_import_fails.xml")
    s.wait_page(0)
    before = s.verdict()
    s.click("BtnAutoRepair")
    done = wait_done(s, "the automatic repair")
    check(done.find("lbResultTip").text == "修复完成!", "rows:\n" + "\n".join(s.rows(done)))
    check(s.verdict()["boots"], "the repair did not make the machine boot")
    check_undo_offered(done)
    s.key("u")
    undo_question(s, 1)
    s.key("y")
    done = wait_undone(s)
    s.screenshot("result")
    rows = s.rows(done)
    tip = done.find("lbResultTip").text
    check(tip == "撤销未完成：1 个步骤失败", "tip: %s\nrows:\n%s" % (tip, "\n".join(rows)))
    check(rows[-2] == tip and rows[-1].startswith("修复日志: "), "rows:\n" + "\n".join(rows))
    failed = [r for r in rows if "导入系统 BCD 存储" in r]
    check(len(failed) == 1 and not failed[0].endswith("成功") and "失败" in failed[0],
          "the failed import is not shown: %s" % failed)
    check(any(r.startswith("还原磁盘0 主引导记录的引导代码") and r.endswith("......成功")
              for r in rows), "the boot code did not come back:\n" + "\n".join(rows))
    check("撤销未完成" in run_log(s, rows), "the log does not say the undo is incomplete")
    # The boot code is the wiped one again, so the machine stops where it stopped before.
    check(s.verdict() == before, "after the undo: %s\nbefore: %s" % (s.verdict(), before))
    check_undo_hidden(done, "after the undo")
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


def mode_killed_run(s):
    # A repair killed half-way left its letter, work folder, message module and an undo record
    # without its last line: the start clears the first three before its own mount pass, and
    # 撤销上次修改(R) offers the record as what it is.
    s.launch("sim/scenarios/killed_run.xml")
    s.wait_page(0)
    before = s.verdict()
    journal = s.journal_lines()
    cleared = [l for l in journal if l in (
        "unmount D:\\", "del C:\\Windows\\system32\\kwo_fix.dll",
        "rmdir C:\\Users\\Administrator\\AppData\\Local\\Temp\\k1lled0ne")]
    check(len(cleared) == 3, "not cleared at start: %s" % journal)
    mounts = [i for i, l in enumerate(journal) if l.startswith("mount ")]
    check(mounts and journal.index("unmount D:\\") < mounts[0],
          "the old letter was not taken back before the mount pass: %s" % journal)
    check(any(l.startswith("mount D:\\ ") for l in journal),
          "the system partition did not get its temporary letter: %s" % journal)

    s.click("BtnEditBcd")
    s.wait_page(3)
    s.click("BtnBootRepair")
    s.wait_for("the editor's rows", lambda d: d.page == 5 and d.find("BtnBeRestore").enabled)
    quiet = len(s.journal_lines())
    s.click("BtnBeRestore")
    caption, question = s.wait_message(1)
    s.screenshot("killed_run_undo_question")
    check("最近一次可以撤销的修改: 2026-12-01 10:00:00 的自动修复（未完成的修复）" in question,
          "question: " + question)
    s.key("alt+y")
    done = wait_undone(s)
    s.screenshot("killed_run_undone")
    rows = s.rows(done)
    check(any("修复被中断，撤销记录不完整" in r for r in rows), "rows:\n" + "\n".join(rows))
    # What the record lists comes back; the run it describes may have gone further, which is
    # why the undo does not call itself complete.
    for name in ("ntldr", "NTDETECT.COM"):
        check("还原 D:\\%s......成功" % name in rows, "rows:\n" + "\n".join(rows))
    tip = done.find("lbResultTip").text
    check(tip == "撤销未完成：1 个步骤失败", "tip: " + tip)
    restore = s.journal_lines()[quiet:]
    for name in ("ntldr", "NTDETECT.COM"):
        check("del D:\\" + name in restore, "%s was not taken away: %s" % (name, restore))
    check(s.verdict() == before, "the machine after the undo: %s" % s.verdict())
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    journal = s.journal_lines()
    check_left_nothing_behind(journal)
    listed = [l for l in journal if "\\QNBootRepair\\leftovers.txt" in l]
    check(listed and listed[-1].startswith("del "), "the list outlives the run: %s" % listed[-3:])


MODES = {"auto_repair": mode_auto_repair, "manual_repair": mode_manual_repair,
         "gpt32_refusal": mode_gpt32_refusal, "mbr_repair": mode_mbr_repair,
         "editor_no_files": mode_editor_no_files,
         "guard_grub_mbr_page": mode_guard_grub_mbr_page, "guard_grub_auto": mode_guard_grub_auto,
         "guard_bitlocker": mode_guard_bitlocker, "guard_firmware": mode_guard_firmware,
         "guard_boot_order": mode_guard_boot_order, "undo_auto": mode_undo_auto,
         "undo_mbr": mode_undo_mbr, "undo_fails": mode_undo_fails, "usb_stick": mode_usb_stick,
         "killed_run": mode_killed_run}

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
