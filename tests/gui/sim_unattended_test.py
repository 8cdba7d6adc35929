#!/usr/bin/env python3
"""The program without its window: QNBootRepair-sim.exe with /auto and /plan under Wine.

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
    changes = [line for line in s.journal_lines()
               if not line.startswith(("mount ", "unmount ")) and "reg load" not in line
               and "reg unload" not in line]
    check(not changes, "the plan changed the machine: %s" % changes[:5])
    if before is not None:
        check(s.verdict() == before, "the verdict changed")


def mode_bad_arguments(s):
    code, out = run(s, None, ["/auto", "/boot", "Q:"])
    print(out)
    check(code == 2, "exit code %d" % code)
    check(not any(line.startswith(("run ", "capture ")) for line in s.journal_lines()),
          "a tool ran after a refusal")


MODES = {"auto": mode_auto, "auto_failure": mode_auto_failure, "plan": mode_plan,
         "bad_arguments": mode_bad_arguments}

if __name__ == "__main__":
    sys.exit(run_modes(MODES))
