"""Start-up under Wine, side by side: QNBootRepair-sim.exe on the demo machine against a bare
Win32 window of the same size, each timed from its process's creation to the end of its first
paint (both note it themselves through QN_SIM_FIRST_PAINT and quit).

    start_time.py SIM_EXE BARE_EXE WINE64 WINEPREFIX [RUNS]

Prints the median of RUNS runs of each (after one warm-up run each, which fills Wine's caches)
and the ratio. A benchmark, not a test: it fails only when a program does not paint at all.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import sim_session  # noqa: E402  (the GUI tests' Wine and Xvfb session)


def first_paint(session, command, scenario):
    mark = os.path.join(session.work, "first_paint.txt")
    if os.path.exists(mark):
        os.remove(mark)
    env = dict(session.env, QN_SIM_FIRST_PAINT=sim_session.windows_path(mark))
    if scenario:
        env["QN_SIM_SCENARIO"] = sim_session.windows_path(scenario)
    program = subprocess.Popen([session.wine] + command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        program.kill()
        program.wait()
    try:
        with open(mark) as f:
            return float(f.read().strip())
    except (FileNotFoundError, ValueError):
        raise sim_session.Failure("no first paint from " + command[0])


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    sim_exe, bare_exe, wine, prefix = sys.argv[1:5]
    runs = int(sys.argv[5]) if len(sys.argv) > 5 else 9
    scenario = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sim",
                            "scenarios", "demo.xml")
    shots = tempfile.mkdtemp(prefix="qn_start_")
    with sim_session.Session(sim_exe, wine, prefix, shots, "start_time") as session:
        first_paint(session, [bare_exe], None)
        first_paint(session, [sim_exe], scenario)
        bare, program = [], []
        for _ in range(runs):
            bare.append(first_paint(session, [bare_exe], None))
            program.append(first_paint(session, [sim_exe], scenario))
            time.sleep(0.2)
    b, p = statistics.median(bare), statistics.median(program)
    print("start to first paint under Wine, median of %d runs:" % runs)
    print("  bare window          %8.1f ms" % b)
    print("  QNBootRepair-sim.exe %8.1f ms" % p)
    print("  ratio                %8.2f" % (p / b))
    return 0


if __name__ == "__main__":
    sys.exit(main())
