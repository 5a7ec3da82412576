"""The web view of the real program under Xvfb: the social login dialog.

The program runs against the local server (master on a port the OS picked) with its
web base, the authorisation page and the Graph API pointed at a small HTTP server of
this test on loopback; a second one plays a page of another origin. The test clicks
the social button and follows the dialog: its window (found by its title), a call from
another origin that is ignored, the game window ignoring input while the view is open,
the login page's call carrying the token into the game (seen by the Graph stand-in),
and the game window taking input again once the view is closed.
"""
import json
import os
import shutil
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_login import SOCIAL_POINTS, LocalServer  # noqa: E402

PAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "web_content")
TOKEN = "GOOD-TOKEN-4f1c9a"
SOCIAL_ID = "123456789012345"


class Site:
    """One loopback HTTP server; `routes` maps a path to a function (query) -> (type, body)."""

    def __init__(self):
        self.requests = []
        self.routes = {}
        self.events = {}
        site = self

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                url = urllib.parse.urlsplit(self.path)
                query = urllib.parse.parse_qs(url.query)
                site.requests.append((url.path, query))
                site.event(url.path).set()
                route = site.routes.get(url.path)
                if route is None and url.path.startswith("/web_content/"):
                    path = os.path.join(PAGES, os.path.basename(url.path))
                    if os.path.isfile(path):
                        with open(path, "rb") as f:
                            route = (lambda body: lambda q: ("text/html; charset=utf-8", body))(f.read())
                if route is None:
                    self.send_error(404)
                    return
                ctype, body = route(query)
                if isinstance(body, str):
                    body = body.encode("utf-8")
                self.send_response(200)
                self.send_header("Content-Type", ctype)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        self.origin = "http://127.0.0.1:%d" % self.port
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def event(self, path):
        return self.events.setdefault(path, threading.Event())

    def wait(self, path, timeout=20):
        if not self.event(path).wait(timeout):
            raise AssertionError("no request for %s; got %s" % (path, [p for p, _ in self.requests]))

    def queries(self, path):
        return [q for p, q in self.requests if p == path]

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()


def html(body):
    return lambda q: ("text/html; charset=utf-8", "<!DOCTYPE html><html><head><meta charset='utf-8'>"
                      "<title>page</title></head><body>%s</body></html>" % body)


class WebViewTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolvan-e2e-web-")
        self.config = os.path.join(self.root, "config")
        os.makedirs(self.config)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def build_sites(self, game, other):
        release = threading.Event()
        self.release = release
        redirect = {}

        def oauth(q):
            redirect["uri"] = q["redirect_uri"][0]
            # A frame of the other origin first, then, once the test says so, a page of
            # the other origin at the top, then back here towards the login page.
            return html("<iframe src='%s/frame.htm'></iframe><script>"
                        "(function poll(){fetch('/go').then(r=>r.text()).then(t=>{"
                        "if(t==='go'){location.href='%s/top.htm';}else{setTimeout(poll,100);}});})();"
                        "</script>" % (other.origin, other.origin))(q)

        game.routes["/dialog/oauth"] = oauth
        game.routes["/go"] = lambda q: ("text/plain", "go" if release.is_set() else "wait")
        game.routes["/back"] = lambda q: html("<script>location.href=%s;</script>" % json.dumps(
            redirect["uri"] + "#access_token=" + TOKEN + "&expires_in=3600"))(q)
        game.routes["/frame_done"] = lambda q: ("text/plain", "ok")
        game.routes["/web_content/profile.htm"] = lambda q: ("application/json", '{"content":[]}')
        game.routes["/graph/me"] = lambda q: ("application/json", json.dumps(
            {"id": SOCIAL_ID, "name": "สมชาย ใจดี"}))
        game.routes["/graph/%s/friends" % SOCIAL_ID] = lambda q: ("application/json", '{"data":[]}')
        # The frame tries every way to reach the game, then reports that it ran.
        other.routes["/frame.htm"] = html(
            "<script>var tried=[];"
            "try{window.external.set_uuid('EVIL-FRAME');tried.push('external');}catch(e){}"
            "try{parent.external.set_uuid('EVIL-PARENT');tried.push('parent');}catch(e){}"
            "try{window.webkit.messageHandlers.set_uuid.postMessage('EVIL-HANDLER');tried.push('handler');}catch(e){}"
            "fetch('%s/frame_done?tried='+tried.join(','),{mode:'no-cors'});</script>" % game.origin)
        # A top-level page of the other origin calls the function the view gives it.
        other.routes["/top.htm"] = html(
            "<script>if(window.external&&window.external.set_uuid){window.external.set_uuid('EVIL-TOP');}"
            "setTimeout(function(){location.href='%s/back';},300);</script>" % game.origin)

    def write_settings(self, **values):
        with open(os.path.join(self.config, "settings.json"), "w") as f:
            json.dump(values, f)

    def test_social_login_dialog_in_the_web_view(self):
        with Xvfb() as x, LocalServer(self.root) as server, Site() as game, Site() as other:
            self.build_sites(game, other)
            self.write_settings(master_address="127.0.0.1", master_port=server.master_port, web_base=game.origin)
            app = TolvanRun(x, test_mode=None, extra_env={"TOLVAN_CONFIG_DIR": self.config})
            try:
                app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
                game.wait("/web_content/profile.htm")
                app.xdo("mousemove", "--window", app.window, str(SOCIAL_POINTS[0][0]), str(SOCIAL_POINTS[0][1]),
                        "click", "1")
                app.wait_for_log(r'ZBWebView::Open\| "Facebook Login" on %s' % game.origin, timeout=20)
                view = app.find_window("^Facebook Login$", timeout=20)
                # Placed over the middle of the game window.
                geo = app.xdo("getwindowgeometry", view)
                self.assertIn("Geometry: 500x310", geo)
                self.assertIn("Position: 390,205", geo)

                game.wait("/dialog/oauth")
                q = game.queries("/dialog/oauth")[0]
                self.assertEqual(q["client_id"], ["1000000000000001"])
                self.assertEqual(q["redirect_uri"], [game.origin + "/web_content/facebook_login.htm"])
                self.assertEqual(q["scope"], ["user_friends"])
                game.wait("/frame_done")
                self.assertEqual(game.queries("/frame_done")[0].get("tried", [""]), [""])

                # The game window takes no input while the view is open.
                app.xdo("mousemove", "--window", app.window, "100", "650", "click", "1")
                app.wait_for_log(r"input to the game window ignored while a platform window is open")
                self.assertNotIn("GameModeLogin::Send_Login", app.log_text())

                self.release.set()
                app.wait_for_log(r"a call of set_uuid from another origin \(%s\) is ignored" % other.origin)
                app.wait_for_log(r"ZBWebView\| page call set_uuid \(%d bytes\)" % len(TOKEN))
                app.wait_for_log(r"GtkModal\| closed")
                game.wait("/graph/me")
                self.assertEqual(game.queries("/graph/me")[0]["access_token"], [TOKEN])
                game.wait("/graph/%s/friends" % SOCIAL_ID)
                app.wait_for_log(r"Facebook\| identity 00000%s" % SOCIAL_ID)
                app.wait_for_log(r"GameModeLogin::Send_Login kind 0")
                # No page call but the login page's reached the Graph stand-in.
                for path, query in game.requests:
                    self.assertNotIn("EVIL", json.dumps(query), path)

                # The social account is in: the lobby follows, and the game window takes
                # input again (Escape there asks before quitting, in a box).
                app.wait_for_log(r"GameModeLobby::Create \*{10}", timeout=20)
                app.wait_for_log(r"GameModeLobby::OnInit_Process", timeout=20)
                app.xdo("windowfocus", "--sync", app.window)
                app.key("Escape")
                app.wait_for_log(r"GameNotify::Update box open", timeout=10)

                log = app.log_text()
                self.assertNotIn(TOKEN, log)
                with open(os.path.join(self.config, "settings.json")) as f:
                    self.assertNotIn(TOKEN, f.read())
            finally:
                app.__exit__(None, None, None)

    def test_cancel_and_a_graph_error_leave_the_social_button_working(self):
        with Xvfb() as x, LocalServer(self.root) as server, Site() as game:
            calls = []

            def oauth(q):
                calls.append(q)
                back = q["redirect_uri"][0]
                # First the user declines; then a token the Graph API will not take.
                back += "?error=access_denied" if len(calls) == 1 else "#access_token=" + TOKEN
                return html("<script>location.href=%s;</script>" % json.dumps(back))(q)

            game.routes["/dialog/oauth"] = oauth
            game.routes["/graph/me"] = lambda q: ("application/json", json.dumps(
                {"error": {"type": "OAuthException", "message": "token refused"}}))
            self.write_settings(master_address="127.0.0.1", master_port=server.master_port, web_base=game.origin)
            app = TolvanRun(x, test_mode=None, extra_env={"TOLVAN_CONFIG_DIR": self.config})
            try:
                app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
                # The pointer comes from elsewhere each time, as a user's would.
                moves = ("mousemove", "--window", app.window, "20", "20", "mousemove", "--window", app.window,
                         str(SOCIAL_POINTS[0][0]), str(SOCIAL_POINTS[0][1]), "click", "1")

                def click():
                    # A button reports at most one click per 500 ms: let that pass first.
                    time.sleep(0.6)
                    app.xdo(*moves)

                click()
                app.wait_for_log(r"ZBWebView\| page call set_close")
                app.wait_for_log(r"GtkModal\| closed")
                self.assertEqual(game.queries("/graph/me"), [])

                click()
                app.wait_for_log(r"ZBWebView\| page call set_uuid")
                app.wait_for_log(r"the identity step failed \(token refused\)")
                self.assertEqual(len(calls), 2)
                self.assertNotIn("Send_Login kind 0", app.log_text())

                # Still working: once the refusal's notice is closed (Escape closes an
                # open box), a third click opens the dialog again. The program is ended
                # while it is open.
                app.wait_for_log(r"GameNotify::Update box open", timeout=10)
                app.xdo("windowfocus", "--sync", app.window)
                app.key("Escape")
                app.wait_for_log(r"GameNotify::Update box closed", timeout=10)
                click()
                game.wait("/dialog/oauth")
                end = time.time() + 20
                while len(calls) < 3:
                    self.assertLess(time.time(), end, "no third dialog")
                    time.sleep(0.05)
                app.stop()
                self.assertEqual(app.proc.returncode, 0)
                self.assertNotIn(TOKEN, app.log_text())
            finally:
                app.__exit__(None, None, None)


if __name__ == "__main__":
    unittest.main()
