#!/usr/bin/env python3
"""CPU use of the idle program: one window under a private Xvfb, nothing changing.

Usage: TOLVAN_BINARY=build/tolvan python3 tests/bench/bench_idle_cpu.py [seconds]

Starts the program with the input test mode, lets it settle for 2 s, then measures the
process's user + system CPU time (from /proc/<pid>/stat) and the frames it presented
over the interval, and finally the whole run's CPU time from getrusage (os.wait4) after
a clean SIGTERM shutdown. A figure to keep, not a test.
"""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
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
            wall = t1 - t0
            print("idle interval        : %.1f s" % wall)
            print("idle CPU (user+sys)  : %.2f s = %.1f %% of one core" % (c1 - c0, 100.0 * (c1 - c0) / wall))
            print("frames presented     : %d (%.1f per second)" % (f1 - f0, (f1 - f0) / wall))
            print("whole run (getrusage): user %.2f s, system %.2f s, max RSS %d KiB"
                  % (usage.ru_utime, usage.ru_stime, usage.ru_maxrss))
        finally:
            app.__exit__(None, None, None)


if __name__ == "__main__":
    main()
