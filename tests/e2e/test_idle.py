"""Quiet when nobody looks: the real program under Xvfb, in and out of focus and hidden.

In focus it draws at its full rate; with another window in focus it draws at most ten
frames a second; unmapped (hidden, as a minimised window is) it draws nothing at all,
and mapped again it draws once more. The program logs each change of pace with the
frames it has presented so far, which is what the test reads.
"""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
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


class IdleTest(unittest.TestCase):
    def test_unfocused_draws_slowly_hidden_draws_nothing_and_shown_again_draws(self):
        with Xvfb() as x, TolvanRun(x) as app:
            focus(app, app.window)
            app.wait_for_log(PACED % "focused")
            other = subprocess.Popen(["xlogo"], env=app.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            try:
                # xlogo names no pid on its window: found by its class.
                logo = app.xdo("search", "--sync", "--class", "xlogo").split()[0]
                focus(app, logo)
                start = time.time()
                f0 = int(app.wait_for_log(PACED % "not focused").group(1))
                time.sleep(2.0)
                app.xdo("windowunmap", "--sync", app.window)
                f1 = int(app.wait_for_log(PACED % "hidden").group(1))
                elapsed = time.time() - start
                rate = (f1 - f0) / elapsed
                print("not focused: %d frames in %.2f s (%.1f per second)" % (f1 - f0, elapsed, rate))
                self.assertGreater(f1, f0, "an unfocused window still draws")
                self.assertLessEqual(rate, 11.0)

                time.sleep(2.0)
                seen = len(app.log_text())
                app.xdo("windowmap", "--sync", app.window)
                # The first change of pace after the map counts the frames drawn hidden.
                end = time.time() + 10
                while not re.search(PACED % "(?:not )?focused", app.log_text()[seen:]):
                    self.assertLess(time.time(), end, "no change of pace after the map")
                    time.sleep(0.05)
                f2 = int(re.search(PACED % "(?:not )?focused", app.log_text()[seen:]).group(1))
                self.assertEqual(f2, f1, "frames were drawn while hidden")
            finally:
                other.terminate()
                other.wait(timeout=10)
            # Focused again, it draws again.
            focus(app, app.window)
            app.xdo("key", "g")
            frames = int(app.wait_for_log(r"OnKeyUp key=71 frames=(\d+)").group(1))
            self.assertGreater(frames, f1)


if __name__ == "__main__":
    unittest.main()
