"""End-to-end tests of the window, input routing, single instance and crash report.

Run one with: TOLVAN_BINARY=build/tolvan TOLVAN_TESTINPUT_BINARY=build/tolvan-testinput \
    python3 tests/e2e/test_window.py WindowTest.test_wheel_buttons_and_keys_reach_the_mode
"""
import os
import re
import signal
import socket
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb, binary_path  # noqa: E402


class WindowTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb().__enter__()
        self.addCleanup(self.x.__exit__, None, None, None)
        self.app = TolvanRun(self.x)
        self.addCleanup(self.app.__exit__, None, None, None)
        self.app.start()

    def test_second_start_raises_the_first_and_exits_0(self):
        self.assertEqual(self.app.geometry(), (1280, 720))
        self.assertEqual(self.app.run_again(), 0)
        self.app.wait_for_log(r"raise requested by another instance")
        self.assertIsNone(self.app.proc.poll())
        self.assertEqual(self.app.processes(), [self.app.proc.pid])

    def test_lock_and_trace_socket_are_in_the_users_private_folder(self):
        folder = os.path.join(self.app.runtime, "tolvan")
        st = os.lstat(folder)
        self.assertTrue(stat.S_ISDIR(st.st_mode))
        self.assertEqual(stat.S_IMODE(st.st_mode), 0o700)
        self.assertEqual(st.st_uid, os.geteuid())
        self.assertTrue(os.path.isfile(os.path.join(folder, "Tolvan.lock")))
        # A trace viewer binding the socket there receives the program's lines.
        viewer = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.addCleanup(viewer.close)
        viewer.bind(os.path.join(folder, "Trace_CLIENT"))
        viewer.settimeout(10)
        self.app.key("a")
        while True:
            line = viewer.recv(2048)
            self.assertTrue(line.endswith(b"\0"))
            if line.startswith(b"TestInputMode::OnKeyUp key=65"):
                break

    def test_narrower_than_640_snaps_to_minimum_with_aspect(self):
        # From 640x360 both sides change (height follows width); then only the height
        # changes (width follows height).
        for asked, want in [((500, 300), (640, 360)), ((1000, 700), (1000, 562)), ((1000, 700), (1244, 700))]:
            self.app.xdo("windowsize", self.app.window, str(asked[0]), str(asked[1]))
            end = time.time() + 5
            while self.app.geometry() != want and time.time() < end:
                time.sleep(0.05)
            self.assertEqual(self.app.geometry(), want, "asked %s" % (asked,))
        # The picture follows the new size: the test mode's field fills the window.
        time.sleep(0.3)
        shot = self.app.screenshot("resized_1244x700")
        self.assertEqual(TolvanRun.pixel(shot, 1234, 690), TolvanRun.pixel(shot, 10, 10))
        self.assertNotEqual(TolvanRun.pixel(shot, 10, 10), (0, 0, 0))

    def test_wheel_buttons_and_keys_reach_the_mode(self):
        app = self.app
        app.xdo("mousemove", "--window", app.window, "640", "360")
        app.xdo("click", "4")
        app.wait_for_log(r"TestInputMode::OnWheel delta=40 x=640 y=360")
        app.xdo("click", "5")
        app.wait_for_log(r"TestInputMode::OnWheel delta=-40 x=640 y=360")
        app.xdo("mousemove", "--window", app.window, "100", "200", "click", "1")
        app.wait_for_log(r"TestInputMode::OnTouchDown button=0 x=100 y=200")
        app.wait_for_log(r"TestInputMode::OnTouchUp button=0 x=100 y=200")
        app.xdo("click", "3")
        app.wait_for_log(r"TestInputMode::OnTouchUp button=1 x=100 y=200")
        app.key("Escape", "Return", "Home", "a")
        app.wait_for_log(r"TestInputMode::OnKeyUp key=65")
        log = app.log_text()
        self.assertIn("TestInputMode::Close (back key)", log)
        self.assertEqual(log.count("TestInputMode::OnEnterKey"), 2)  # Return and Home
        self.assertNotIn("OnKeyUp key=27", log)
        self.assertNotIn("OnKeyUp key=13", log)
        # The mode drew its marker where the left button went down.
        time.sleep(0.3)
        shot = app.screenshot("input")
        self.assertEqual(TolvanRun.pixel(shot, 100, 200), (255, 255, 255))

    def test_idle_window_draws_at_most_201_frames_in_2s(self):
        app = self.app
        app.key("f")
        first = app.wait_for_log(r"OnKeyUp key=70 frames=(\d+)")
        start = time.time()
        time.sleep(2.0)
        app.key("g")
        second = app.wait_for_log(r"OnKeyUp key=71 frames=(\d+)")
        elapsed = time.time() - start
        frames = int(second.group(1)) - int(first.group(1))
        print("frames in %.2f s: %d" % (elapsed, frames))
        self.assertGreater(frames, 0)
        self.assertLessEqual(frames, 201 * elapsed / 2.0 + 1)

    def test_sigsegv_writes_the_crash_report_and_exits_non_zero(self):
        self.app.proc.send_signal(signal.SIGSEGV)
        rc = self.app.wait()
        self.assertEqual(rc, 128 + signal.SIGSEGV)
        self._check_report()

    def test_fault_in_the_program_writes_the_crash_report(self):
        self.app.key("k")  # the test mode faults on purpose
        rc = self.app.wait()
        self.assertEqual(rc, 128 + signal.SIGSEGV)
        log = self._check_report()
        self.assertRegex(log, r"\[[0-9A-F]{8,} [0-9A-F]{8,} [0-9A-F]{4}:[0-9A-F]{8} .*/inst/tolvan\]")

    def test_terminate_shuts_down_cleanly(self):
        self.app.stop()
        self.assertEqual(self.app.proc.returncode, 0)
        self.app.wait_for_log(r"main \| main loop ended")

    def _check_report(self):
        log = self.app.log_text()
        prefix = r"\[\d{8} \d\d:\d\d:\d\d\]\[GAME_LOG\] "
        self.assertRegex(log, prefix + r"\[ \*\*\*ERROR\*\*\* \] Unknown Exception : "
                         r"Exception='EXCEPTION_ACCESS_VIOLATION' , Address='0x[0-9A-F]{16}'")
        self.assertRegex(log, prefix + r"===== Fault Address : [0-9A-F]{8,} [0-9A-F]{2}:[0-9A-F]{8} /")
        frames = re.findall(prefix + r"\[[0-9A-F]{8,} [0-9A-F]{8,} [0-9A-F]{4}:[0-9A-F]{8} [^\]]*\]", log)
        self.assertGreater(len(frames), 1)
        self.assertRegex(log, prefix + r"\[ \*\*\*ERROR\*\*\* \] Close application\.\n$")
        return log


class ShippingBinaryTest(unittest.TestCase):
    """The input test mode is linked only into the test build of the program."""

    @staticmethod
    def symbols_and_strings(path):
        syms = subprocess.run(["nm", "-C", path], check=True, capture_output=True, text=True, timeout=60).stdout
        text = subprocess.run(["strings", "-a", path], check=True, capture_output=True, text=True,
                              timeout=60).stdout
        return syms, text

    def test_holds_no_test_mode_and_reads_no_test_variable(self):
        syms, text = self.symbols_and_strings(binary_path())
        for needle in ("TestInputMode", "TOLVAN_TEST_MODE"):
            self.assertNotIn(needle, syms)
            self.assertNotIn(needle, text)
        # The same check finds the mode in the test build, so it would catch a leak.
        syms, text = self.symbols_and_strings(binary_path("input"))
        self.assertIn("TestInputMode::OnKeyUp", syms)
        self.assertIn("TestInputMode::OnInit_Process ready", text)
        self.assertNotIn("TOLVAN_TEST_MODE", text)


if __name__ == "__main__":
    unittest.main(verbosity=2)
