"""The desktop install: `cmake --install` into a temporary prefix, then the installed
program started from another folder, under Xvfb against the local server, reaches the
title screen with its pictures (its data found in the prefix, not in the build folder).
The menu entry is checked by desktop-file-validate and points at the installed launcher
and icon.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_login import LocalServer, LoginTest  # noqa: E402


class InstallTest(LoginTest):
    test_quick_start_logs_a_new_player_in_from_the_title_screen = None
    test_quick_start_switched_off_leaves_only_the_social_button = None
    test_a_returning_device_account_logs_in_by_itself = None

    def install(self):
        prefix = tempfile.mkdtemp(prefix="tolvan-prefix-")
        self.addCleanup(shutil.rmtree, prefix, True)
        build = os.environ["TOLVAN_BUILD_DIR"]
        cmake = os.environ.get("TOLVAN_CMAKE", "cmake")
        subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True, timeout=120,
                       stdout=subprocess.DEVNULL)
        return prefix

    def test_installed_program_started_elsewhere_reaches_the_title_screen(self):
        prefix = self.install()
        for rel in ("bin/tolvan", "bin/tolvan-play", "lib/tolvan/tolvan-server", "lib/tolvan/play-local.sh"):
            self.assertTrue(os.access(os.path.join(prefix, rel), os.X_OK), rel)
        for rel in ("share/tolvan/raw/Font_Bold_sum.ttf", "share/tolvan/snd", "share/tolvan/web_content",
                    "share/icons/hicolor/48x48/apps/tolvan.png", "share/icons/hicolor/256x256/apps/tolvan.png"):
            self.assertTrue(os.path.exists(os.path.join(prefix, rel)), rel)

        entry = os.path.join(prefix, "share/applications/tolvan.desktop")
        with open(entry, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertIn("Categories=Game;CardGame;", lines)
        self.assertIn("Icon=tolvan", lines)
        self.assertIn("Exec=" + os.path.join(prefix, "bin/tolvan-play"), lines)
        validator = shutil.which("desktop-file-validate")
        if validator:
            r = subprocess.run([validator, entry], capture_output=True, text=True, timeout=30)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        else:
            print("desktop-file-validate not found (package desktop-file-utils): entry not validated")

        with Xvfb() as x, LocalServer(self.root, "--http-port", "0") as server:
            self.write_settings(server.master_port)
            app = TolvanRun(x, test_mode=None,
                            extra_env={"TOLVAN_CONFIG_DIR": self.config, "TOLVAN_DATA_DIR": self.data})
            # The installed program itself, started in the run's own folder (not the prefix).
            app.binary = os.path.join(prefix, "bin/tolvan")
            try:
                app.start(ready=r"GameModeLogin::OnInit_Process", timeout=30)
                data = os.path.realpath(os.path.join(prefix, "share/tolvan"))
                app.wait_for_log(r"main \| start, program folder %s," % data.replace(".", r"\."))
                self.wait_for_title(app, "installed_title")
                self.assertNotIn("[ERROR]", app.log_text())
            finally:
                app.__exit__(None, None, None)


if __name__ == "__main__":
    unittest.main()
