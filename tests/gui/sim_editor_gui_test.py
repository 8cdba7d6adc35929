#!/usr/bin/env python3
"""End-to-end tests of the boot entry editor in QNBootRepair-sim.exe, with real mouse and key
input (xdotool) under Wine.

    sim_editor_gui_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR

Modes:
  editor_bcd      the demo machine's store: remove, the empty menu refused, add back, a Chinese
                  description typed into the row's edit box, another locale, the timeout
                  filter, save
  editor_menu     sim/scenarios/editor_menu.xml: moves, removal and save from the keyboard,
                  Return in a description box that must not save, add, default, the boot
                  verdict afterwards
  editor_bootini  sim/scenarios/editor_boot_ini.xml: boot.ini reordered, a line removed,
                  renamed, a new default; the boot verdict reads boot.ini itself
  editor_fails    a store whose descriptions bcdedit refuses: "保存失败" with the entry and the
                  error line
  editor_letters  sim/scenarios/editor_menu.xml: letters typed in the rows' locale combo boxes
                  (open and closed) search their items and press none of the page's buttons;
                  Alt+S then saves the locales they found
  editor_slow_save  a store whose bcdedit takes 3 s to set the timeout: the line naming the
                  store, the window showing "正在保存..." with the page held while the save runs
                  (no second save, no load), the save's message after it; 撤销上次修改(R) then
                  finds the save's record; boot.ini chosen, the line names it

What the window shows is read from its test channel (QN_SIM_UI_DUMP), what the program did to the
machine from its journal (QN_SIM_JOURNAL) and what the machine would boot from QN_SIM_VERDICT.
Message boxes are photographed; their text is then read from the page's status line
("lbBeStatus"), which keeps the last message.
"""
import json
import os
import re
import subprocess
import sys
import time

from sim_session import check, check_left_nothing_behind, run_modes, windows_path



# --- what the page shows ------------------------------------------------------------------------

class Row:
    def __init__(self, check_box, device, edit, combo):
        self.check, self.device, self.edit, self.combo = check_box, device, edit, combo


def rows(dump):
    """The rows of "listBceEdit": each row's check box, device label, edit box and locale combo."""
    found = []
    inside = None
    current = None
    for c in dump.controls:
        if c.name == "listBceEdit":
            inside = c.depth
            continue
        if inside is None:
            continue
        if c.depth <= inside:
            break
        if c.kind == "ListContainerElement":
            current = {}
            found.append(current)
        elif current is not None and c.depth == inside + 3:
            current[len(current)] = c
    return [Row(r.get(0), r.get(1), r.get(2), r.get(3)) for r in found]


def descriptions(dump):
    return [r.edit.text for r in rows(dump)]


def status(dump):
    return dump.find("lbBeStatus").text


def centre(dump, control):
    left, top, right, bottom = control.pos
    return dump.origin[0] + (left + right) // 2, dump.origin[1] + (top + bottom) // 2


def click_control(s, dump, control):
    x, y = centre(dump, control)
    s.xdo("mousemove", "--sync", str(x), str(y))
    time.sleep(0.15)
    s.xdo("click", "1")
    time.sleep(0.3)


def type_text(s, text):
    # Real key events for every character, Chinese too: xdotool maps each to a spare key code.
    # It reads the text in the locale it runs in, which must be one the machine has.
    env = dict(s.env, LC_ALL="C.UTF-8", LANG="C.UTF-8")
    subprocess.check_call(["xdotool", "type", "--delay", "80", text], env=env)
    time.sleep(0.3)


def replace_text(s, dump, edit, text):
    """Clicks into an edit box, selects what it holds and types text over it."""
    click_control(s, dump, edit)
    s.key("End", "shift+Home")
    type_text(s, text)


def open_editor(s, name):
    """Start page -> boot partition page -> the editor, loaded."""
    s.wait_page(0)
    s.click("BtnEditBcd")
    s.wait_page(3)
    s.screenshot(name + "_boot_partition")
    s.click("BtnBootRepair")
    return s.wait_for("the editor's rows", lambda d: d.page == 5 and len(rows(d)) > 0)


def wait_rows(s, what, expected):
    return s.wait_for(what, lambda d: descriptions(d) == expected, timeout=15)


def message(s, label):
    """The message box the last action opened: photographed, acknowledged, its text returned."""
    time.sleep(2.5)  # a box's first paint under Wine takes a second or two
    s.screenshot("message_" + label)
    written = os.stat(s.dump).st_mtime_ns
    s.key("Return")
    # The window writes its dump when the handler that showed the box has returned.
    s.wait_for("the window after the message",
               lambda d: os.stat(s.dump).st_mtime_ns != written, timeout=15)
    time.sleep(0.3)
    return status(s.read_dump())


def changing_runs(journal):
    """bcdedit runs that change a store (not enumerations or exports), as the journal shows
    them."""
    return [l for l in journal if l.startswith("capture ") and "bcdedit.exe" in l
            and "/enum" not in l and " /export " not in l]


def verdict(s):
    with open(s.verdict_path, encoding="utf-8") as f:
        return json.load(f)


def menu_texts(v):
    return [item["text"] + (" *" if item["default"] else "") for item in v["menu"]]


def with_verdict(s):
    s.verdict_path = os.path.join(s.work, "verdict.json")
    s.env["QN_SIM_VERDICT"] = windows_path(s.verdict_path)


def close_program(s):
    s.click("btn_close")
    check(s.wait_exit() == 0, "exit code not 0")
    check_left_nothing_behind(s.journal_lines())


# --- modes --------------------------------------------------------------------------------------

def mode_bcd(s):
    s.launch()
    page = open_editor(s, "bcd")
    check(descriptions(page) == ["Windows 7"], "rows: %s" % descriptions(page))
    row = rows(page)[0]
    check(row.device.text == "C:", "device: " + row.device.text)
    check(row.combo is not None, "no locale combo")
    check(page.find("BtnBeDel").text == "移除(M)", "BtnBeDel: " + page.find("BtnBeDel").text)
    check(page.find("edBeTimeout").text == "30", "timeout: " + page.find("edBeTimeout").text)
    s.screenshot("bcd_loaded")

    # The configuration combo box, open.
    s.click("CmbBootFile")
    time.sleep(0.8)
    s.screenshot("bcd_files_combo_open")
    s.key("Escape")

    # Removing the only row and saving: refused, nothing written.
    click_control(s, page, row.device)
    s.click("BtnBeDel")
    empty = s.wait_for("no rows", lambda d: len(rows(d)) == 0)
    s.screenshot("bcd_all_removed")
    runs_before = len(changing_runs(s.journal_lines()))
    s.click("BtnBeSave")
    text = message(s, "empty_menu")
    check(text == "启动项列表为空，保存后将没有可以启动的系统。未写入任何内容。", "status: " + text)
    check(len(changing_runs(s.journal_lines())) == runs_before, "an empty menu was written")
    check(not any("BCD_" in l for l in s.journal_lines()), "a backup was made for nothing")

    # Adding it back from "CmbBootEntry", chosen with the mouse in its open list.
    s.click("CmbBootEntry")
    time.sleep(0.8)
    s.screenshot("bcd_entries_combo_open")
    combo = empty.find("CmbBootEntry")
    x, y = centre(empty, combo)
    item_y = empty.origin[1] + combo.pos[3] + 14  # the first item, just below the box
    s.xdo("mousemove", "--sync", str(x), str(item_y))
    time.sleep(0.2)
    s.xdo("click", "1")
    time.sleep(0.5)
    s.click("BtnBeAddEntry")
    page = wait_rows(s, "the entry back", ["Windows 7"])
    s.click("BtnBeAddEntry")  # again: nothing
    time.sleep(0.8)
    check(descriptions(s.read_dump()) == ["Windows 7"], "added twice: %s"
          % descriptions(s.read_dump()))

    # A Chinese description typed into the row's edit box; Return there does not save.
    row = rows(page)[0]
    replace_text(s, page, row.edit, "Windows 7 旗舰版")
    s.key("Return")
    time.sleep(1.0)
    check(len(changing_runs(s.journal_lines())) == runs_before, "Return in the edit box saved")
    s.key("Tab")  # leaves the edit box: its text is the row's now
    page = s.wait_for("the typed description",
                      lambda d: descriptions(d) == ["Windows 7 旗舰版"], timeout=10)
    s.screenshot("bcd_description_typed")

    # The locale: the row's combo box opened with a click, en-US chosen with the keyboard
    # (zh-CN is item 0, en-US item 6).
    click_control(s, page, rows(page)[0].combo)
    time.sleep(0.8)
    s.screenshot("bcd_locale_combo_open")
    s.key(*(["Down"] * 6))
    s.key("Return")
    time.sleep(0.5)

    # An empty timeout is refused; then only digits stay in it.
    timeout = page.find("edBeTimeout")
    click_control(s, page, timeout)
    s.key("End", "BackSpace", "BackSpace", "BackSpace")
    s.click("BtnBeSave")
    text = message(s, "no_timeout")
    check(text == "请输入启动项超时时间(输入框位于右上角)", "status: " + text)
    click_control(s, s.read_dump(), timeout)
    type_text(s, "a5")
    s.wait_for("timeout 5", lambda d: d.find("edBeTimeout").text == "5", timeout=10)

    # Saved with the button's shortcut, from the keyboard.
    s.key("alt+s")
    text = message(s, "saved")
    m = re.fullmatch(r"保存成功!  备份: ([A-Z]:\\Boot\\BCD)(_\d{14})", text)
    check(m is not None, "status: " + text)
    store, stamp = m.group(1), m.group(2)
    s.screenshot("bcd_saved")

    journal = s.journal_lines()
    runs = changing_runs(journal)
    # The running system holds its store open: the backup is an export, never a copy.
    copy = [i for i, l in enumerate(journal)
            if " /export " in l and (store + stamp) in l and l.endswith("-> 0")]
    check(copy, "no backup export in the journal")
    check(any(l == "copy %s %s%s failed (in use)" % (store, store, stamp) for l in journal),
          "the held store was not tried as a copy first")
    first_change = journal.index(runs[runs_before]) if len(runs) > runs_before else -1
    check(0 <= copy[0] < first_change, "the backup did not come first")
    wanted = ['/store %s /timeout 5 -> 0' % store,
              '/store %s /set {bootmgr} GraphicsResolution 1024x768 -> 0' % store,
              'description "Windows 7 旗舰版" -> 0',
              'locale "en-US" -> 0']
    for part in wanted:
        check(any(part in l for l in runs), "no run with " + part)
    # The read-back enumeration after the save shows what the store holds now.
    tail = journal[first_change:]
    check(any(re.fullmatch(r"  > description +Windows 7 旗舰版", l) for l in tail),
          "the store does not read back the new description")
    check(any(re.fullmatch(r"  > locale +en-US", l) for l in tail),
          "the store does not read back the new locale")
    close_program(s)


def mode_menu(s):
    with_verdict(s)
    s.launch("sim/scenarios/editor_menu.xml")
    page = open_editor(s, "menu")
    # The display order names an entry the store does not hold: a row that keeps its place.
    missing = "存储中没有此启动项（改变顺序保存时会去掉） {5a1c3e7b-90d2-4f6e-8b4a-2c7d9e0f1a3b}"
    expected = ["Windows 7", missing, "Windows 10", "Earlier Version of Windows"]
    check(descriptions(page) == expected, "rows: %s" % descriptions(page))
    s.screenshot("menu_loaded")

    # From the keyboard: the timeout box, Tab to the list, Down twice to Windows 10, Alt+U twice
    # moves it to the top; End to the last row, Alt+M removes it; Alt+U on the first row and
    # Alt+D on the last change nothing.
    click_control(s, page, page.find("edBeTimeout"))
    s.key("End", "BackSpace", "BackSpace")
    type_text(s, "8")
    s.key("Tab", "Down", "Down", "alt+u", "alt+u")
    page = wait_rows(s, "Windows 10 moved up",
                     ["Windows 10", "Windows 7", missing, "Earlier Version of Windows"])
    s.key("alt+u")  # the first row up: nothing
    s.key("End", "alt+d")  # the last row down: nothing
    time.sleep(0.5)
    check(descriptions(s.read_dump()) ==
          ["Windows 10", "Windows 7", missing, "Earlier Version of Windows"],
          "a move past an end changed the rows: %s" % descriptions(s.read_dump()))
    s.key("alt+m")
    page = wait_rows(s, "the last row removed", ["Windows 10", "Windows 7", missing])
    s.screenshot("menu_keyboard_edits")

    # Return in a description box does not save.
    runs_before = len(changing_runs(s.journal_lines()))
    row = rows(page)[0]
    click_control(s, page, row.edit)
    s.key("End")
    type_text(s, " Pro")
    s.key("Return")
    time.sleep(1.0)
    check(len(changing_runs(s.journal_lines())) == runs_before, "Return in the edit box saved")

    # "Windows 7 Safe Mode" from "CmbBootEntry" (keyboard in its open list: item 2) becomes
    # the default.
    s.click("CmbBootEntry")
    time.sleep(0.8)
    s.screenshot("menu_entries_combo_open")
    s.key("Down", "Down", "Return")
    time.sleep(0.3)
    s.key("alt+a")
    page = wait_rows(s, "Safe Mode added",
                     ["Windows 10 Pro", "Windows 7", missing, "Windows 7 Safe Mode"])
    click_control(s, page, rows(page)[3].check)
    s.screenshot("menu_before_save")

    s.key("alt+s")
    text = message(s, "menu_saved")
    check(re.fullmatch(r"保存成功!  备份: [A-Z]:\\Boot\\BCD_\d{14}", text), "status: " + text)
    v = verdict(s)
    check(v["boots"], "the machine does not boot: " + v["problem"])
    check(v["timeout"] == 8, "timeout %s" % v["timeout"])
    check(menu_texts(v) == ["Windows 10 Pro", "Windows 7", "Windows 7 Safe Mode *"],
          "menu: %s" % menu_texts(v))

    # Removing the default's row and saving asks for another default, with the first row
    # checked; the next save makes it the default.
    page = s.read_dump()
    safe = descriptions(page).index("Windows 7 Safe Mode")
    click_control(s, page, rows(page)[safe].device)
    s.click("BtnBeDel")
    page = s.wait_for("Safe Mode removed",
                      lambda d: "Windows 7 Safe Mode" not in descriptions(d), timeout=15)
    runs_before = len(changing_runs(s.journal_lines()))
    s.click("BtnBeSave")
    text = message(s, "choose_default")
    check(text.startswith("原来的默认启动项已不在列表中"), "status: " + text)
    check(len(changing_runs(s.journal_lines())) == runs_before, "the refused save wrote")
    s.click("BtnBeSave")
    text = message(s, "default_chosen")
    check(text.startswith("保存成功!"), "status: " + text)
    v = verdict(s)
    check(menu_texts(v) == ["Windows 10 Pro *", "Windows 7"], "menu: %s" % menu_texts(v))

    # The boot partition holds boot.ini too: choosing it in "CmbBootFile" loads its lines. Then
    # BCD and boot.ini again in quick succession: whichever listing arrives late, the page shows
    # the last choice's rows, once.
    s.click("CmbBootFile")
    time.sleep(0.5)
    s.screenshot("menu_files_combo_open")
    s.key("Down", "Return")
    ini = ["Microsoft Windows XP Professional", "Microsoft Windows Recovery Console",
           "Windows XP (second disk)"]
    page = wait_rows(s, "boot.ini's lines", ini)
    check(page.find("BtnBeDel").text == "删除(M)", "BtnBeDel: " + page.find("BtnBeDel").text)
    s.key("Up", "Down")  # the combo box keeps the focus: BCD, then boot.ini at once
    time.sleep(2.0)
    page = wait_rows(s, "boot.ini's lines, once", ini)
    s.screenshot("menu_boot_ini_after_switching")
    close_program(s)


def mode_bootini(s):
    with_verdict(s)
    s.launch("sim/scenarios/editor_boot_ini.xml")
    page = open_editor(s, "bootini")
    expected = ["Microsoft Windows XP Professional", "Microsoft Windows XP Home Edition",
                "Microsoft Windows Recovery Console"]
    check(descriptions(page) == expected, "rows: %s" % descriptions(page))
    check([r.device.text for r in rows(page)] == ["P1", "P2", "C:"],
          "devices: %s" % [r.device.text for r in rows(page)])
    check(all(r.combo is None for r in rows(page)), "a boot.ini row has a locale combo")
    check(page.find("BtnBeDel").text == "删除(M)", "BtnBeDel: " + page.find("BtnBeDel").text)
    s.screenshot("bootini_loaded")

    click_control(s, page, rows(page)[1].device)
    s.click("BtnBeUp")
    page = wait_rows(s, "XP Home first", [expected[1], expected[0], expected[2]])
    click_control(s, page, rows(page)[2].device)
    s.click("BtnBeDel")
    page = wait_rows(s, "the Recovery Console removed", [expected[1], expected[0]])
    click_control(s, page, rows(page)[0].check)
    replace_text(s, page, rows(page)[1].edit, "Windows XP 专业版")
    click_control(s, page, page.find("edBeTimeout"))
    s.key("End", "BackSpace", "BackSpace")
    type_text(s, "10")
    s.screenshot("bootini_edited")
    s.click("BtnBeSave")
    text = message(s, "bootini_saved")
    check(text == "保存成功!  备份: C:\\boot.ini_" + text[-14:] and text[-14:].isdigit(),
          "status: " + text)
    v = verdict(s)
    check(v["boots"], "the machine does not boot: " + v["problem"])
    check(v["timeout"] == 10, "timeout %s" % v["timeout"])
    check(menu_texts(v) == ["Microsoft Windows XP Home Edition *", "Windows XP 专业版"],
          "menu: %s" % menu_texts(v))
    journal = s.journal_lines()
    backup = "copy C:\\boot.ini C:\\boot.ini_%s" % text[-14:]
    check(backup in journal, "no backup in the journal")
    # Edited in place: the new bytes replace the file after its backup; it is never deleted.
    replaced = [i for i, line in enumerate(journal)
                if line.startswith("move ") and line.endswith(" C:\\boot.ini")]
    check(replaced and journal.index(backup) < replaced[0],
          "boot.ini was replaced before its backup: %s" % journal)
    check("del C:\\boot.ini" not in journal, "boot.ini was deleted")
    close_program(s)


def mode_fails(s):
    s.launch("editor_save_fails.xml")
    page = open_editor(s, "fails")
    ntldr = descriptions(page).index("Earlier Version of Windows")
    replace_text(s, page, rows(page)[ntldr].edit, "Windows XP")
    s.key("Tab")
    s.click("BtnBeSave")
    text = message(s, "save_failed")
    # The {ntldr} description failed: the store went back to the backup made before the save.
    check(re.fullmatch(r"保存失败:  \{[0-9a-f-]{36}\} description  "
                       r"bcdedit\.exe 退出码 1: 设置元素数据时出错。  备份: [A-Z]:\\Boot\\BCD_\d{14}  "
                       r"已用备份恢复保存前的 BCD 存储，未做任何更改。",
                       text), "status: " + text)
    s.screenshot("fails_after_message")
    close_program(s)


def mode_letters(s):
    s.launch("sim/scenarios/editor_menu.xml")
    page = open_editor(s, "letters")
    loaded = descriptions(page)
    check("Windows 7" in loaded and "Windows 10" in loaded, "rows: %s" % loaded)
    win7, win10 = rows(page)[loaded.index("Windows 7")], rows(page)[loaded.index("Windows 10")]
    shown = status(page)
    runs_before = len(changing_runs(s.journal_lines()))

    # Windows 7's combo (zh-CN), opened with a click: "s" in its list goes to sk-SK, the first
    # locale with an s (not to 保存(S)); Return takes it.
    click_control(s, page, win7.combo)
    time.sleep(0.8)
    s.key("s")
    time.sleep(0.3)
    s.screenshot("letters_open_list")
    s.key("Return")
    time.sleep(0.3)

    # Windows 10's combo (en-US), its list closed again with F4: "m" is not 移除(M) and "c" not
    # a page's button (cs-CZ). After a pause "s" starts a new search (sk-SK); after another,
    # "sv" typed quickly goes past sl-SI to sv-SE.
    click_control(s, page, win10.combo)
    time.sleep(0.8)
    s.key("F4")
    s.key("m", "c")
    time.sleep(1.5)
    s.key("s")
    time.sleep(1.5)
    s.type("sv")
    time.sleep(1.0)
    page = s.read_dump()
    s.screenshot("letters_typed")
    check(page.page == 5, "the editor was left: page %d" % page.page)
    check(descriptions(page) == loaded, "rows: %s" % descriptions(page))
    check(status(page) == shown, "status: " + status(page))
    check(len(changing_runs(s.journal_lines())) == runs_before, "a typed letter saved")

    s.key("alt+s")
    text = message(s, "letters_saved")
    check(re.fullmatch(r"保存成功!  备份: [A-Z]:\\Boot\\BCD_\d{14}", text), "status: " + text)
    runs = changing_runs(s.journal_lines())[runs_before:]
    for locale in ("sk-SK", "sv-SE"):
        check(any('locale "%s" -> 0' % locale in l for l in runs), "no run with locale " + locale)
    check(not any('locale "cs-CZ"' in l or 'locale "sl-SI"' in l for l in runs),
          "a locale passed on the way was saved: %s" % runs)
    close_program(s)


# Every control of the editor's page that acts or takes input: held while a save runs.
PAGE_CONTROLS = ("CmbBootFile", "BtnBeRestore", "edBeTimeout", "listBceEdit", "CmbBootEntry",
                 "BtnBeAddEntry", "BtnBeUp", "BtnBeDown", "BtnBeDel", "BtnBeReturn", "BtnBeSave")


def store_line(dump):
    line = dump.find("lbBeStore")
    check(line is not None and line.visible, "no store line")
    return line.text


def mode_slow_save(s):
    s.launch("editor_slow_save.xml")
    page = open_editor(s, "slow")
    line = store_line(page)
    m = re.fullmatch(r"正在编辑: ([A-Z]):\\Boot\\BCD（磁盘0 激活分区）", line)
    check(m is not None, "store line: " + line)
    letter = m.group(1)
    loaded = descriptions(page)
    s.screenshot("slow_loaded")

    click_control(s, page, page.find("edBeTimeout"))
    s.key("End", "BackSpace", "BackSpace")
    type_text(s, "7")
    boxes = len(s.messages())
    clicked = len(s.journal_lines())
    s.click("BtnBeSave")
    # The timeout takes bcdedit 3 s: the window shows the save running before it has ended.
    held = s.wait_for("the save running", lambda d: status(d) == "正在保存...", timeout=10)
    # Neither the save's shortcut nor the file combo box starts anything meanwhile.
    s.key("alt+s")
    click_control(s, held, held.find("CmbBootFile"))
    s.key("Down", "Return")
    still = s.read_dump()
    journal = s.journal_lines()[clicked:]
    check(status(still) == "正在保存..." and len(s.messages()) == boxes
          and not any("/timeout 7" in l for l in journal),
          "the save ended before the window had shown it running: %s" % journal)
    for name in PAGE_CONTROLS:
        check(not still.find(name).enabled, name + " is enabled while the save runs")
    s.screenshot("slow_saving")

    s.wait_message(boxes + 1)
    text = message(s, "slow_saved")
    check(re.fullmatch(r"保存成功!  备份: %s:\\Boot\\BCD_\d{14}" % letter, text),
          "status: " + text)
    after = s.read_dump()
    for name in PAGE_CONTROLS:
        check(after.find(name).enabled, name + " stays disabled after the save")
    check(descriptions(after) == loaded, "rows: %s" % descriptions(after))
    journal = s.journal_lines()[clicked:]
    check(sum(1 for l in journal if "/timeout 7 -> 0" in l) == 1, "timeout runs: %s" % journal)
    check(sum(1 for l in journal if " /export " in l) == 1, "backups: %s" % journal)
    # The save's own read-back is the only enumeration: nothing was loaded meanwhile.
    check(sum(1 for l in journal if l.startswith("capture ") and "/enum" in l) == 1,
          "enumerations: %s" % [l for l in journal if "/enum" in l])

    # 撤销上次修改(R): the search runs on a worker, then names the save's record; Return keeps it.
    quiet = len(s.journal_lines())
    s.click("BtnBeRestore")
    caption, question = s.wait_message(boxes + 2)
    # The newer record planted in C:\ is not among them.
    check("最近一次可以撤销的修改: " in question and "的编辑启动项" in question
          and "2099" not in question, "question: " + question)
    s.screenshot("slow_undo_question")
    s.key("Return")
    page = s.wait_for("the page back after the question",
                      lambda d: d.page == 5 and d.find("BtnBeSave").enabled, timeout=15)
    check(len(s.journal_lines()) == quiet, "changed after 取消: %s" % s.journal_lines()[quiet:])

    # boot.ini beside the store: the line names it once it loads.
    s.click("CmbBootFile")
    time.sleep(0.5)
    s.key("Down", "Return")
    ini = wait_rows(s, "boot.ini's lines", ["Microsoft Windows XP Professional",
                                            "Microsoft Windows Recovery Console",
                                            "Windows XP (second disk)"])
    check(store_line(ini) == "正在编辑: %s:\\boot.ini（磁盘0 激活分区）" % letter,
          "store line: " + store_line(ini))
    s.screenshot("slow_boot_ini")
    close_program(s)


MODES = {"editor_bcd": mode_bcd, "editor_menu": mode_menu, "editor_bootini": mode_bootini,
         "editor_fails": mode_fails, "editor_letters": mode_letters,
         "editor_slow_save": mode_slow_save}

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
