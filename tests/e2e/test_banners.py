"""The banners of the local server's banner document, in the real program's lobby.

The test reads the document itself from the server's web side (so the places it checks
are the ones the document says) and the banner pictures from the art kit, then follows
a new player into the lobby: the program fetches the document and each picture (the
server's trace lists every request of its web side), the welcome announcement covers
the lobby until its close button is clicked, and each lobby banner is then on screen
with its top-left corner at (pos_x, 720 - pos_y): a few opaque pixels of each picture
are compared with the screenshot there. The decoration of the room and tournament lists
is not drawn in the lobby.

The next starts reuse the account, the settings and the data folder. With the server's
web side down the program still reaches the lobby, and its cache of the document and
the pictures is left as it was; cached entries start inactive until the document names
them again, so no banner is drawn then. With the web side up again the document is
fetched, no picture is downloaded again, and the banners are drawn from the cache.
"""
import json
import os
import re
import subprocess
import sys
import time
import unittest
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_lobby  # noqa: E402  (the module, so that its own test class is not run here)
from test_login import QUICK_CENTRE, LocalServer, register  # noqa: E402
from tolvan_e2e import CONVERT, Xvfb  # noqa: E402

LOBBY, LISTS, ANNOUNCEMENT = 3, 10, 11
CLOSE_BUTTON = (99, 70)  # one frame of the close button picture
PROBE_GRID = 7           # candidate probe points per side of a picture


def banner_pictures():
    return os.path.join(os.environ.get("TOLVAN_BUILD_DIR", "."), "web_content", "banner")


def opaque_probes(png, count=6):
    """(dx, dy, (r, g, b)) of up to `count` fully opaque pixels of a picture, spread over it."""
    size = subprocess.run([CONVERT, png, "-format", "%w %h", "info:"], check=True, capture_output=True,
                          text=True, timeout=20).stdout.split()
    w, h = int(size[0]), int(size[1])
    points = [(w * (i + 1) // (PROBE_GRID + 1), h * (j + 1) // (PROBE_GRID + 1))
              for j in range(PROBE_GRID) for i in range(PROBE_GRID)]
    fmt = " ".join("%%[fx:int(255*p{%d,%d}.r)],%%[fx:int(255*p{%d,%d}.g)],%%[fx:int(255*p{%d,%d}.b)],"
                   "%%[fx:int(255*p{%d,%d}.a)]" % ((x, y) * 4) for x, y in points)
    values = subprocess.run([CONVERT, png, "-format", fmt, "info:"], check=True, capture_output=True,
                            text=True, timeout=20).stdout.split()
    probes = []
    for (x, y), v in zip(points, values):
        r, g, b, a = (int(c) for c in v.split(","))
        if a == 255:
            probes.append((x, y, (r, g, b)))
    step = max(1, len(probes) // count)
    return (w, h), probes[::step][:count]


def near(p, want, tol=16):
    return all(abs(a - b) <= tol for a, b in zip(p, want))


class BannerTest(test_lobby.LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def document(self, server):
        with urllib.request.urlopen(server.web_base + "/web_content/profile.htm", timeout=10) as r:
            return json.loads(r.read().decode("utf-8"))["content"]

    def places(self, content):
        """name -> (top-left, size, probes) of every entry of the document."""
        out = {}
        for e in content:
            size, probes = opaque_probes(os.path.join(banner_pictures(), e["name"] + ".png"))
            self.assertTrue(probes, "no opaque pixel in " + e["name"])
            out[e["name"]] = ((e["pos_x"], 720 - e["pos_y"]), size, probes, e["show_type"])
        return out

    def drawn(self, shot, place):
        """Whether every probe of a picture matches the screenshot at its place."""
        (x, y), (w, h), probes, _ = place
        rows = test_lobby.region(shot, x, y, w, h)
        return all(near(rows[dy][dx], rgb) for dx, dy, rgb in probes)

    def wait_for_banners(self, app, places, name, timeout=15):
        """Screenshots until the lobby banners are drawn at their places (and the
        lists' decoration is not); returns the path."""
        end = time.time() + timeout
        while True:
            shot = app.screenshot(name)
            missing = [n for n, p in places.items() if p[3] == LOBBY and not self.drawn(shot, p)]
            if not missing:
                for n, p in places.items():
                    if p[3] == LISTS:
                        self.assertFalse(self.drawn(shot, p), "%s is drawn in the lobby (%s)" % (n, shot))
                return shot
            if time.time() > end:
                self.fail("banners not at their places: %s (%s)" % (missing, shot))
            time.sleep(0.2)

    def close_announcement(self, app, content, places, name, timeout=15):
        """Waits for the announcement at its place, then clicks its close button."""
        end = time.time() + timeout
        while not self.drawn(app.screenshot(name), places["announce_welcome"]):
            self.assertLess(time.time(), end, "no announcement")
            time.sleep(0.2)
        button = [e for e in content if e["name"] == "announce_welcome"][0]
        bx, by = button["btn_pos_x"], 720 - button["btn_pos_y"]
        app.xdo("mousemove", "--window", app.window, str(bx + CLOSE_BUTTON[0] // 2), str(by + CLOSE_BUTTON[1] // 2),
                "click", "1")

    def picture_requests(self, server):
        return re.findall(r"web GET /web_content/banner/(\w+)\.png 200", server.trace())

    def test_banners_at_their_places_the_announcement_closes_and_the_cache_serves_the_next_starts(self):
        db_options = ("--log-level", "3")
        with Xvfb() as x:
            with LocalServer(self.root, "--http-port", "0", *db_options) as server:
                content = self.document(server)
                places = self.places(content)
                names = sorted(places)
                self.assertEqual(sorted(e for e in places if places[e][3] == ANNOUNCEMENT), ["announce_welcome"])
                self.write_settings(server.master_port, web_base=server.web_base)
                with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                    self.wait_for_title(app, "banners_title")
                    app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                            "click", "1")
                    register(app, "Banner")
                    app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
                    self.assertEqual(len(re.findall(r"web GET /web_content/profile.htm 200", server.trace())), 2)
                    end = time.time() + 15
                    while sorted(self.picture_requests(server)) != names:
                        self.assertLess(time.time(), end, "pictures asked for: %s" % self.picture_requests(server))
                        time.sleep(0.05)

                    # The announcement covers the lobby, at its place, until its close
                    # button is clicked.
                    self.close_announcement(app, content, places, "banners_announcement")
                    shot = self.wait_for_lobby_header(app, "banners_lobby")
                    self.check_lobby_header(shot)
                    shot = self.wait_for_banners(app, places, "banners_lobby")
                    self.assertFalse(self.drawn(shot, places["announce_welcome"]), "the announcement is still there")
                    self.assertNotIn("xdg-open", app.log_text(), "the close click reached a banner under it")
                cache = os.path.join(self.data, "web_content.json")
                with open(cache, encoding="utf-8") as f:
                    cached = f.read()
                self.assertEqual(sorted(e["name"] for e in json.loads(cached)["content"]), names)
                pictures = {n: os.path.getmtime(os.path.join(self.data, n + ".png")) for n in names}

            # The web side down: the lobby without banners, the cache untouched.
            with LocalServer(self.root, "--no-http", *db_options) as server:
                self.assertIsNone(server.web_port)
                self.write_settings(server.master_port)
                with self.running(x, r"GameModeLobby::OnInit_Process \.\.\.") as app:
                    app.wait_for_log(r"GameWebContent::Merge\| no banner document")
                    shot = self.wait_for_lobby_header(app, "banners_offline")
                    for n, p in places.items():
                        self.assertFalse(self.drawn(shot, p), "%s drawn from the cache alone (%s)" % (n, shot))
                with open(cache, encoding="utf-8") as f:
                    self.assertEqual(f.read(), cached)
                for n, mtime in pictures.items():
                    self.assertEqual(os.path.getmtime(os.path.join(self.data, n + ".png")), mtime, n)

            # The web side up again: the document is fetched, the pictures are not.
            with LocalServer(self.root, "--http-port", "0", *db_options) as server:
                self.write_settings(server.master_port, web_base=server.web_base)
                with self.running(x, r"GameModeLobby::OnInit_Process \.\.\.") as app:
                    server.wait_for_trace(r"web GET /web_content/profile.htm 200")
                    self.close_announcement(app, content, places, "banners_cached_announcement")
                    self.wait_for_lobby_header(app, "banners_cached")
                    self.wait_for_banners(app, places, "banners_cached")
                    self.assertEqual(self.picture_requests(server), [])


if __name__ == "__main__":
    unittest.main()
