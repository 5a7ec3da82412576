"""End-to-end fixture: the real tolvan program under a private Xvfb, driven with xdotool.

    with Xvfb() as x, TolvanRun(x) as app:      # starts the program, waits for the window
        app.xdo("mousemove", "--window", app.window, "640", "360", "click", "4")
        app.wait_for_log(r"OnWheel delta=40")
        app.screenshot("wheel")                  # <build>/e2e-out/wheel.png
        print(app.pixel("wheel", 10, 10))        # (r, g, b) of the screenshot

Each run gets its own temporary install folder (a copy of the binary with raw/ next to
it), state/config/data folders (TOLVAN_*_DIR) and runtime folder (XDG_RUNTIME_DIR, which
holds the single-instance lock), so runs never share files. The program's log is the
daily file in the state folder. TOLVAN_BINARY names the program and
TOLVAN_TESTINPUT_BINARY its test build, whose first mode logs every input it receives
(CTest sets both); a run with test_mode="input" (the default) starts the test build.
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

CONVERT = "/usr/bin/convert"  # the ImageMagick from the distribution, by full path
FALLBACK_FONT = "/usr/share/fonts/truetype/tlwg/Waree-Bold.ttf"


def binary_path(test_mode=None):
    """The shipping program, or its test build for test_mode "input"."""
    var = {None: "TOLVAN_BINARY", "input": "TOLVAN_TESTINPUT_BINARY"}[test_mode]
    path = os.environ.get(var)
    if not path:
        raise RuntimeError(var + " is not set")
    return path


def output_dir():
    d = os.path.join(os.environ.get("TOLVAN_BUILD_DIR", "."), "e2e-out")
    os.makedirs(d, exist_ok=True)
    return d


class Xvfb:
    """A private X server on a free display (1280x720, 24 bits), no window manager."""

    def __init__(self, width=1280, height=720):
        self.size = (width, height)
        self.proc = None
        self.display = None

    def __enter__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % self.size, "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(timeout=10)


class TolvanRun:
    """One run of the program on the given X server."""

    def __init__(self, xvfb, test_mode="input", extra_env=None):
        self.xvfb = xvfb
        self.root = tempfile.mkdtemp(prefix="tolvan-e2e-")
        self.install = os.path.join(self.root, "inst")
        self.state = os.path.join(self.root, "state")
        os.makedirs(self.install)
        self.runtime = runtime = os.path.join(self.root, "run")
        os.makedirs(runtime, mode=0o700)
        self.binary = os.path.join(self.install, "tolvan")
        shutil.copy2(binary_path(test_mode), self.binary)
        self._link_resources()
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": xvfb.display,
            "TOLVAN_STATE_DIR": self.state,
            "TOLVAN_CONFIG_DIR": os.path.join(self.root, "config"),
            "TOLVAN_DATA_DIR": os.path.join(self.root, "data"),
            "XDG_RUNTIME_DIR": runtime,
            "SDL_AUDIODRIVER": "dummy",
        })
        self.env.pop("SDL_VIDEODRIVER", None)
        if extra_env:
            self.env.update(extra_env)
        self.proc = None
        self.window = None

    def _link_resources(self):
        """raw/, snd/, web_content/ of the build when present; else just a font."""
        build = os.environ.get("TOLVAN_BUILD_DIR", "")
        for name in ("raw", "snd", "web_content"):
            src = os.path.join(build, name)
            if build and os.path.isdir(src):
                os.symlink(src, os.path.join(self.install, name))
        raw = os.path.join(self.install, "raw")
        if not os.path.exists(raw):
            os.makedirs(raw)
            if os.path.exists(FALLBACK_FONT):
                os.symlink(FALLBACK_FONT, os.path.join(raw, "Font_Bold_sum.ttf"))

    # --- running -----------------------------------------------------------------
    def start(self, ready=r"TestInputMode::OnInit_Process ready", timeout=20):
        self.proc = subprocess.Popen([self.binary], env=self.env, cwd=self.root,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        out = self.xdo("search", "--sync", "--pid", str(self.proc.pid), timeout=timeout)
        self.window = out.split()[0]
        if ready:
            self.wait_for_log(ready, timeout)
        return self

    def run_again(self, timeout=15):
        """Starts a second instance with the same environment; returns its exit code."""
        return subprocess.run([self.binary], env=self.env, cwd=self.root, timeout=timeout,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def wait(self, timeout=20):
        return self.proc.wait(timeout=timeout)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        if os.environ.get("TOLVAN_E2E_KEEP"):
            print("kept", self.root)
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    def processes(self):
        """Pids of live processes running this run's binary."""
        pids = []
        for exe in glob.glob("/proc/[0-9]*/exe"):
            try:
                if os.readlink(exe) == self.binary:
                    pids.append(int(exe.split("/")[2]))
            except OSError:
                pass
        return pids

    # --- input and output --------------------------------------------------------
    def xdo(self, *args, timeout=20):
        env = dict(self.env)
        return subprocess.run(["xdotool"] + list(args), env=env, check=True, timeout=timeout,
                              capture_output=True, text=True).stdout

    def find_window(self, name_pattern, timeout=20):
        """The id of the first window whose name matches, waiting for it to appear.
        xdotool's own --sync wait gives up with an error when a window of the tree goes
        away while it walks it (a toolkit's short-lived windows do), so the search is
        repeated instead."""
        end = time.time() + timeout
        while True:
            try:
                out = self.xdo("search", "--name", name_pattern, timeout=10).split()
                if out:
                    return out[0]
            except subprocess.CalledProcessError:
                pass
            if time.time() > end:
                raise AssertionError("no window named %r within %ss" % (name_pattern, timeout))
            time.sleep(0.1)

    def key(self, *keys):
        self.xdo("windowfocus", "--sync", self.window)
        for k in keys:
            self.xdo("key", k)

    def geometry(self):
        out = self.xdo("getwindowgeometry", self.window)
        m = re.search(r"Geometry: (\d+)x(\d+)", out)
        return int(m.group(1)), int(m.group(2))

    def log_text(self):
        text = ""
        for path in sorted(glob.glob(os.path.join(self.state, "LOG_GAME_LOG_*.log"))):
            with open(path, encoding="utf-8", errors="replace") as f:
                text += f.read()
        return text

    def wait_for_log(self, pattern, timeout=10):
        """Waits until a log line matches `pattern`; returns the match."""
        rx = re.compile(pattern)
        end = time.time() + timeout
        while True:
            m = rx.search(self.log_text())
            if m:
                return m
            if time.time() > end:
                raise AssertionError("no log line matching %r within %ss; log:\n%s"
                                     % (pattern, timeout, self.log_text()[-3000:]))
            time.sleep(0.05)

    def screenshot(self, name):
        """The whole X screen as <build>/e2e-out/<name>.png; returns the path."""
        path = os.path.join(output_dir(), name + ".png")
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.xvfb.display],
                             check=True, capture_output=True, timeout=20).stdout
        subprocess.run([CONVERT, "xwd:-", path], input=xwd, check=True, timeout=20)
        return path

    @staticmethod
    def pixel(path, x, y):
        out = subprocess.run([CONVERT, path, "-format", "%%[fx:int(255*p{%d,%d}.r)] "
                              "%%[fx:int(255*p{%d,%d}.g)] %%[fx:int(255*p{%d,%d}.b)]" % (x, y, x, y, x, y),
                              "info:"], check=True, capture_output=True, text=True, timeout=20).stdout
        return tuple(int(v) for v in out.split())
