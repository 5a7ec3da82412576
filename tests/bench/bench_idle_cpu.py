#!/usr/bin/env python3
"""CPU use of the idle program under a private Xvfb (software GL), nothing changing.

Usage: TOLVAN_BINARY=build/tolvan TOLVAN_TESTINPUT_BINARY=build/tolvan-testinput \\
       TOLVAN_BUILD_DIR=build python3 tests/bench/bench_idle_cpu.py [seconds] [--lobby|--table]

Without --lobby: the input test build's blank screen in focus, as before. With --lobby:
the real program against the local server, a new quick-start account registered, the
lobby in focus, then with another window in focus, then unmapped (hidden, as when
minimised). With --table: the same three states at a table of the normal game's first
room, waiting for its round with three bots (the server's auto-start is off). For each state the process's user + system CPU time (from /proc/<pid>/stat)
and the frames it presented are measured over the interval; the frames come from the
log lines the program writes when its pace changes. A figure to keep, not a test.
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

PACED = r"GameWindow \| drawing paced: %s, frames (\d+)"


def focus(app, window, timeout=10):
    """Gives `window` the keyboard focus; a window still being mapped refuses it at first."""
    end = time.time() + timeout
    while True:
        try:
            app.xdo("windowfocus", "--sync", window, timeout=5)
            return
        except (subprocess.CalledProcessError, subprocess.TimeoutExpired):
            if time.time() > end:
                raise
            time.sleep(0.2)


def wait_for_log_after(app, seen, pattern, timeout=10):
    """The first match of `pattern` in the log after its first `seen` characters."""
    end = time.time() + timeout
    while True:
        m = re.search(pattern, app.log_text()[seen:])
        if m:
            return m.group(1)
        if time.time() > end:
            raise AssertionError("no log line matching %r" % pattern)
        time.sleep(0.05)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def report(name, cpu, wall, frames):
    print("%-12s: CPU %.2f s in %.1f s = %5.1f %% of one core, %4d frames (%.1f per second)"
          % (name, cpu, wall, 100.0 * cpu / wall, frames, frames / wall))


def blank_screen(seconds):
    with Xvfb() as x:
        app = TolvanRun(x)
        try:
            app.start()
            time.sleep(2.0)
            app.key("f")
            f0 = int(app.wait_for_log(r"OnKeyUp key=70 frames=(\d+)").group(1))
            c0, t0 = cpu_seconds(app.proc.pid), time.time()
            time.sleep(seconds)
            c1, t1 = cpu_seconds(app.proc.pid), time.time()
            app.key("g")
            f1 = int(app.wait_for_log(r"OnKeyUp key=71 frames=(\d+)").group(1))
            app.proc.send_signal(signal.SIGTERM)
            _, status, usage = os.wait4(app.proc.pid, 0)
            app.proc.returncode = os.waitstatus_to_exitcode(status)
            report("blank screen", c1 - c0, t1 - t0, f1 - f0)
            print("whole run (getrusage): user %.2f s, system %.2f s, max RSS %d KiB"
                  % (usage.ru_utime, usage.ru_stime, usage.ru_maxrss))
        finally:
            app.__exit__(None, None, None)


def lobby(seconds, at_table=False):
    from test_login import QUICK_CENTRE, LocalServer, register  # noqa: E402
    from test_lobby import NORMAL_GAME, LobbyTest  # noqa: E402

    root = tempfile.mkdtemp(prefix="tolvan-bench-idle-")
    helper = LobbyTest("wait_for_lobby_header")
    helper.root = root
    helper.config = os.path.join(root, "config")
    helper.data = os.path.join(root, "data")
    os.makedirs(helper.config)
    with Xvfb() as x, LocalServer(root, "--http-port", "0", "--auto-start-ms", "0") as server:
        helper.write_settings(server.master_port)
        app = TolvanRun(x, test_mode=None,
                        extra_env={"TOLVAN_CONFIG_DIR": helper.config, "TOLVAN_DATA_DIR": helper.data})
        other = None
        try:
            app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
            helper.wait_for_title(app, "bench_title")
            app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                    "click", "1")
            register(app, "IdleBench")
            app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=20)
            helper.wait_for_lobby_header(app, "bench_lobby")
            place = "lobby"
            if at_table:
                place = "table"
                app.xdo("mousemove", "--window", app.window, str(NORMAL_GAME[0]), str(NORMAL_GAME[1]),
                        "click", "1")
                app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
                time.sleep(1.0)
                app.xdo("mousemove", "--window", app.window, "158", "436", "click", "1")  # the first room
                app.wait_for_log(r"GameModePlay::OnInit_Process", timeout=30)
                time.sleep(3.0)  # the bots sit down
            time.sleep(1.0)

            def measure(name):
                c0, t0 = cpu_seconds(app.proc.pid), time.time()
                time.sleep(seconds)
                c1, t1 = cpu_seconds(app.proc.pid), time.time()
                return name, c1 - c0, t1 - t0

            results = []
            # A round trip of the focus through another window, so that the pace line
            # that opens the focused interval is written right before it.
            other = subprocess.Popen(["xlogo"], env=app.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            logo = app.xdo("search", "--sync", "--class", "xlogo").split()[0]

            def pace_after(seen, level):
                return int(wait_for_log_after(app, seen, r"drawing paced: %s, frames (\d+)" % level))
            seen = len(app.log_text())
            focus(app, logo)
            pace_after(seen, "not focused")
            seen = len(app.log_text())
            focus(app, app.window)
            f_focused_start = pace_after(seen, "focused")
            name, cpu, wall = measure(place + " focused")
            seen = len(app.log_text())
            focus(app, logo)
            f_focused_end = pace_after(seen, "not focused")
            results.append((name, cpu, wall, f_focused_end - f_focused_start))

            name, cpu, wall = measure("not focused")
            app.xdo("windowunmap", "--sync", app.window)
            f1 = int(app.wait_for_log(PACED % "hidden").group(1))
            results.append((name, cpu, wall, f1 - f_focused_end))

            name, cpu, wall = measure("hidden")
            seen = len(app.log_text())
            app.xdo("windowmap", "--sync", app.window)
            end = time.time() + 10
            while not re.search(PACED % "(?:not )?focused", app.log_text()[seen:]) and time.time() < end:
                time.sleep(0.05)
            m = re.search(PACED % "(?:not )?focused", app.log_text()[seen:])
            results.append((name, cpu, wall, (int(m.group(1)) - f1) if m else -1))
            for r in results:
                report(*r)
            print("(frames: counted between the pace lines that open and close each interval)")
        finally:
            if other:
                other.terminate()
                other.wait(timeout=10)
            app.__exit__(None, None, None)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    seconds = float(args[0]) if args else 10.0
    if "--table" in sys.argv:
        lobby(seconds, at_table=True)
    elif "--lobby" in sys.argv:
        lobby(seconds)
    else:
        blank_screen(seconds)


if __name__ == "__main__":
    main()
