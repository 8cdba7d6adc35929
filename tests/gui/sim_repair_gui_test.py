#!/usr/bin/env python3
"""End-to-end tests of the repair workflows of QNBootRepair-sim.exe, with real input, judged by
the simulated machine's boot verdict.

    sim_repair_gui_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR
"""
import sys
import time

from sim_session import check, check_left_nothing_behind, run_modes


def wait_done(s, what):
    """Waits for a repair run's end: the result page's buttons come back."""
    return s.wait_for(what, lambda d: d.page == 1 and d.find("BtnRsReturn").enabled
                      and d.find("BtnRsQuit").enabled, timeout=90)


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
        check(len(rows) == 4, "rows: %s" % rows)
        check(rows[0] == "分区表类型为: MBR", rows[0])
        check(kind in rows[1] and rows[1].endswith("......成功!"), rows[1])
        check(rows[2] == "修复完成!", rows[2])
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


MODES = {"auto_repair": mode_auto_repair, "manual_repair": mode_manual_repair,
         "gpt32_refusal": mode_gpt32_refusal, "mbr_repair": mode_mbr_repair,
         "editor_no_files": mode_editor_no_files}

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
