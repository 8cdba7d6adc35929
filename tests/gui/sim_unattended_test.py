#!/usr/bin/env python3
"""The program without its window: QNBootRepair-sim.exe with /auto, /plan, /diagnose and /undo
under Wine.

    sim_unattended_test.py MODE EXE WINE64 WINEPREFIX SHOT_DIR
"""
import json
import os
import subprocess
import sys

from sim_session import Failure, check, check_left_nothing_behind, run_modes, windows_path


def run(s, scenario, args):
    """Runs the program to its end with args; returns (exit code, console text)."""
    program = s.start(scenario, args, stdout=subprocess.PIPE)
    try:
        out, _ = program.communicate(timeout=120)
    except subprocess.TimeoutExpired:
        program.kill()
        raise Failure("the program did not end")
    return program.returncode, out.decode("gbk", errors="replace")


def mode_auto(s):
    report = os.path.join(s.work, "report.json")
    code, out = run(s, None, ["/auto", "/json", windows_path(report)])
    print(out)
    check(code == 0, "exit code %d" % code)
    check("修复完成!" in out, "the console does not say the repair is complete")
    with open(report, encoding="utf-8") as f:
        data = json.load(f)
    check(data["exitCode"] == 0 and data["failedSteps"] == 0, "report: %s" % data["rows"])
    check(len(data["verification"]) == 3, "verification: %s" % data["verification"])
    check(all(v["bootable"] for v in data["verification"]), "%s" % data["verification"])
    check(s.verdict()["boots"], "the machine does not boot after /auto")
    check_left_nothing_behind(s.journal_lines())


def mode_auto_failure(s):
    report = os.path.join(s.work, "report.json")
    code, out = run(s, "bcdboot_fails.xml", ["/auto", "/json", windows_path(report)])
    print(out)
    check(code == 1, "exit code %d" % code)
    with open(report, encoding="utf-8") as f:
        data = json.load(f)
    check(data["exitCode"] == 1, "report exit code %s" % data["exitCode"])
    check(any("bcdboot.exe 退出码 1" in row for row in data["rows"]),
          "the report does not name the failed step: %s" % data["rows"])
    failed = [step for step in data["steps"]
              if "commandLine" in step and "bcdboot.exe" in step["commandLine"]]
    check(failed and failed[0]["exitCode"] == 1, "steps: %s" % failed)


def mode_plan(s):
    before = s.verdict() if os.path.exists(s.verdict_file) else None
    code, out = run(s, None, ["/plan"])
    print(out)
    check(code == 0, "exit code %d" % code)
    check("bcdboot.exe" in out and "<C: 的新启动项>" in out, "the plan does not show the steps")
    check("引导文件将写入: 磁盘0 激活分区 " in out, "the plan does not name the boot partition")
    # Only the diagnosis that chooses the boot partition reads: its bcdedit in a work folder.
    changes = [line for line in s.journal_lines() if not read_only(line)]
    check(not changes, "the plan changed the machine: %s" % changes[:5])
    if before is not None:
        check(s.verdict() == before, "the verdict changed")


def mode_bad_arguments(s):
    code, out = run(s, None, ["/auto", "/boot", "Q:"])
    print(out)
    check(code == 2, "exit code %d" % code)
    check(not any(line.startswith(("run ", "capture ")) for line in s.journal_lines()),
          "a tool ran after a refusal")


def read_only(line):
    """A journal line a run that only looks may leave: letters given and taken back, hives
    loaded and unloaded, bcdedit /enum and its output, the work folder under Temp and the list
    of those (LOCALAPPDATA\\QNBootRepair) that a killed run leaves for the next start."""
    return (line.startswith(("mount ", "unmount ", "  > ")) or "reg load" in line
            or "reg unload" in line or "/enum" in line or "\\Temp" in line
            or "\\AppData\\Local\\QNBootRepair" in line)


def mode_diagnose(s):
    # The same process is asked twice: once about a machine that cannot boot, once about one
    # that can; the verdict is the machine's own truth, the report the program's.
    for scenario, boots in (("sim/scenarios/wiped_mbr.xml", False),
                            ("sim/scenarios/editor_menu.xml", True)):
        report = os.path.join(s.work, "diagnose.json")
        if os.path.exists(report):
            os.remove(report)
        quiet = len(s.journal_lines())
        code, out = run(s, scenario, ["/diagnose", "/json", windows_path(report)])
        print(out)
        check(code == (0 if boots else 1), "%s: exit code %d" % (scenario, code))
        check("未做任何更改" in out, "%s: the console does not say nothing changed" % scenario)
        written = [l for l in s.journal_lines()[quiet:] if not read_only(l)]
        check(not written, "%s: the diagnosis changed the machine: %s" % (scenario, written[:5]))
        verdict = s.verdict()
        check(verdict["boots"] == boots, "%s: the machine's verdict: %s" % (scenario, verdict))
        with open(report, encoding="utf-8") as f:
            data = json.load(f)
        check(data["operation"] == "diagnose", "operation: %s" % data["operation"])
        diagnosis = data["diagnosis"]
        check(diagnosis["boots"] == boots, "%s: diagnosis %s" % (scenario, diagnosis))
        check(bool(diagnosis["problem"]) != boots, "%s: problem %s" % (scenario, diagnosis))
        if not boots:
            check(diagnosis["problem"] in out, "the console does not show the problem")
        check(data["machine"]["disks"], "%s: the report names no disk" % scenario)


def mode_undo(s):
    report = os.path.join(s.work, "report.json")
    code, out = run(s, None, ["/auto", "/json", windows_path(report)])
    check(code == 0, "/auto: exit code %d\n%s" % (code, out))
    with open(report, encoding="utf-8") as f:
        record = json.load(f)["undoRecord"]
    check(isinstance(record, str) and "\\QNBootRepair_undo_" in record
          and record.endswith("\\undo.txt"), "undoRecord: %s" % record)
    # The record the program wrote on the machine (copied out as the program closed it).
    text = s.written_file(record)
    # Each line ends with its own checksum, after a tab.
    lines = [line.rsplit("\t", 1)[0] for line in text.splitlines()]
    check(lines[-1] == "complete", "the record does not say the run finished:\n" + text)
    check("operation=自动修复（无人值守）" in lines, "the record does not name its run:\n" + text)
    check(any(line.startswith(("file\t", "absent-file\t")) for line in lines),
          "the record keeps no boot file:\n" + text)

    # Each run of the program starts from its machine as the scenario describes it, so the
    # record above is on no machine here, as if carried to another one. A record that cannot be
    # used changes nothing, not even a letter.
    cases = ((record, "无法读取撤销记录，未做任何更改: " + record),
             ("C:\\missing\\undo.txt", "无法读取撤销记录，未做任何更改: C:\\missing\\undo.txt"),
             ("D:\\boot.ini", "这不是本程序的撤销记录，未做任何更改"))
    for path, said in cases:
        quiet = len(s.journal_lines())
        code, out = run(s, None, ["/undo", path])
        print(out)
        check(code == 2, "/undo %s: exit code %d" % (path, code))
        check(said in out, "/undo %s does not say why: %s" % (path, out))
        check(s.journal_lines()[quiet:] == [], "/undo %s touched the machine: %s"
              % (path, s.journal_lines()[quiet:]))
        check(not s.verdict()["boots"], "/undo %s: the demo machine boots" % path)


MODES = {"auto": mode_auto, "auto_failure": mode_auto_failure, "plan": mode_plan,
         "bad_arguments": mode_bad_arguments, "diagnose": mode_diagnose, "undo": mode_undo}

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
