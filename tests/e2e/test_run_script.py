"""scripts/run.sh as a new user runs it: the local server with every role and its web
side, then the game; the title screen, quick start and a registered name reach the
lobby; when the game quits, the server it started is stopped too.

The setup step (packages and build) is skipped with TOLVAN_SKIP_SETUP: the test plays
what this build folder holds, on ports the OS had free.
"""
import os
import re
import signal
import socket
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_login import QUICK_CENTRE, register  # noqa: E402
from test_lobby import LobbyTest  # noqa: E402

SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))


def free_ports(n):
    socks = [socket.socket() for _ in range(n)]
    for s in socks:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in socks]
    for s in socks:
        s.close()
    return ports


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie is gone for this purpose.
    with open("/proc/%d/stat" % pid) as f:
        return f.read().rsplit(")", 1)[1].split()[0] != "Z"


class RunScriptTest(LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def test_run_sh_plays_against_the_local_server_and_stops_it_with_the_game(self):
        master, game, tour, http = free_ports(4)
        self.write_settings(master)
        with Xvfb() as x:
            # The run's folders and helpers; its own copy of the program is not used.
            app = TolvanRun(x, test_mode=None,
                            extra_env={"TOLVAN_CONFIG_DIR": self.config, "TOLVAN_DATA_DIR": self.data})
            env = dict(app.env)
            env.update({"TOLVAN_SKIP_SETUP": "1", "TOLVAN_BUILD_DIR": os.environ["TOLVAN_BUILD_DIR"],
                        "TOLVAN_MASTER_PORT": str(master), "TOLVAN_GAME_PORT": str(game),
                        "TOLVAN_TOUR_PORT": str(tour), "TOLVAN_HTTP_PORT": str(http),
                        "TOLVAN_SERVER_DB": os.path.join(self.root, "server.db")})
            err_path = os.path.join(self.root, "run.err")
            with open(err_path, "w") as err:
                run = subprocess.Popen(["bash", os.path.join(SOURCE, "scripts", "run.sh")], env=env,
                                       cwd=SOURCE, stdout=subprocess.DEVNULL, stderr=err)
            try:
                app.window = app.find_window("^Tolvan$", timeout=60)
                app.wait_for_log(r"GameModeLogin::OnInit_Process", timeout=30)
                with open(err_path) as f:
                    text = f.read()
                m = re.search(r"local server started \(pid (\d+)\): tolvan-server: master 127\.0\.0\.1:%d, "
                              r"game 127\.0\.0\.1:%d, web 127\.0\.0\.1:%d, tournament server on"
                              % (master, game, http), text)
                self.assertTrue(m, text)
                server_pid = int(m.group(1))
                self.wait_for_title(app, "run_sh_title")

                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                        "click", "1")
                register(app, "RunScript")
                app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=20)
                self.wait_for_lobby_header(app, "run_sh_lobby")

                game_pid = int(app.xdo("getwindowpid", app.window).strip())
                self.assertTrue(alive(server_pid))
                os.kill(game_pid, signal.SIGTERM)
                self.assertEqual(run.wait(timeout=30), 0)
                end = time.time() + 10
                while alive(server_pid):
                    self.assertLess(time.time(), end, "the server outlived the game")
                    time.sleep(0.05)
                with open(err_path) as f:
                    self.assertIn("play-local: local server stopped", f.read())
            finally:
                if run.poll() is None:
                    run.terminate()
                    run.wait(timeout=30)
                app.__exit__(None, None, None)


if __name__ == "__main__":
    unittest.main()
