"""The room list of the real program against the local server, from the lobby to a seat.

A new quick-start account (100,000 chips) registers and reaches the lobby; a click on a
game type enters the game server of that kind and opens the room list on the matching
tab. The server's six rooms (stakes 100, 500, 1,000, 5,000, 10,000, 50,000) are one
plate each, 266 units apart from x 32, the last ones beyond the right edge: the wheel
scrolls the list sideways, and a drag to the left reveals the last room and enters
nothing; the 50,000 room needs 1,000,000 chips, so a
tap on it shows the not-enough-chips box and nothing reaches the server; the 1,000
room is affordable and a tap on it seats the player, and the program goes on to table
play. The server runs with its trace on, so every table entry and creation it handles
is in its output.
"""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_lobby  # noqa: E402  (the module, so that its own test class is not run here)
from test_login import CLICK_INTERVAL, QUICK_CENTRE, LocalServer, register  # noqa: E402
from tolvan_e2e import Xvfb  # noqa: E402

POINT_GAME = (793, 437)  # inside the point-game tile (667, 338, 252 x 199)
NORMAL_TAB = (157, 185)  # the room list's tabs, 250 x 80 from (32, 145) and (287, 145)
POINT_TAB = (412, 185)

# A room's plate: 252 units wide from 32 units into its 266-unit slot, y 292 to 580.
ROOM_STEP, ROOM_INSET, PLATE_WIDTH = 266, 32, 252
PLATE_PROBE_Y = 392        # below the badge, above the stake's figures
FULL_SCROLL = 6 * 266 - 1234  # how far six rooms scroll
STAKES = [100, 500, 1000, 5000, 10000, 50000]
WHEEL_NOTCH = 40  # units the list moves per wheel notch
AFFORDABLE, UNAFFORDABLE = 2, 5  # indices: 1,000 (20,000 needed) and 50,000

# Plate fills per tab: (dim, lit); a room is lit when the balance reaches its minimum.
PLATES = {0: ((25, 64, 127), (41, 107, 209)), 1: ((127, 66, 20), (224, 117, 31))}


def plate_left(index, offset=0):
    return ROOM_STEP * index + ROOM_INSET - offset


def near(p, want, tol=24):
    return all(abs(a - b) <= tol for a, b in zip(p, want))


class RoomListTest(test_lobby.LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def click(self, app, point):
        app.xdo("mousemove", "--window", app.window, str(point[0]), str(point[1]), "click", "1")

    def reach_lobby(self, app, name):
        """Quick start, registration, and the lobby's header checked on a screenshot."""
        self.wait_for_title(app, "rooms_title_" + name)
        self.click(app, QUICK_CENTRE)
        app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
        register(app, name)
        app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
        self.check_lobby_header(self.wait_for_lobby_header(app, "rooms_lobby_" + name))

    def wait_for_plates(self, app, name, tab, offset=0, timeout=15):
        """Screenshots until every room inside the view shows the tab's plate, lit or
        dim as the balance of a new account makes it; returns the path."""
        end = time.time() + timeout
        while True:
            shot = app.screenshot(name)
            seen, wrong = [], []
            for i, stake in enumerate(STAKES):
                x = plate_left(i, offset) + 12
                if x < 0 or x >= 1280:
                    continue
                want = PLATES[tab][1 if stake * 20 <= 100000 else 0]
                got = app.pixel(shot, x, PLATE_PROBE_Y)
                seen.append(i)
                if not near(got, want):
                    wrong.append((i, got, want))
            if not wrong:
                return shot, seen
            if time.time() > end:
                self.fail("room plates of tab %d at offset %d: %s (%s)" % (tab, offset, wrong, shot))
            time.sleep(0.15)

    def drag_left(self, app, start_x, end_x, y=440, step=40):
        """A press on a room, a slow drag to the left over the list, a release on a room."""
        moves = ["mousemove", "--window", app.window, str(start_x), str(y), "mousedown", "1"]
        for x in list(range(start_x - step, end_x, -step)) + [end_x]:
            moves += ["mousemove", "--window", app.window, str(x), str(y), "sleep", "0.03"]
        moves += ["mouseup", "1"]
        app.xdo(*moves)

    def assert_no_entry(self, app, server):
        log = app.log_text()
        self.assertNotIn("VXScene_game::StartEntry", log)
        self.assertNotIn("204 sent", log)
        self.assertIsNone(re.search(r"table entry|table \d+ created", server.trace()), server.trace()[-2000:])

    def rooms_to_a_seat(self, tab):
        with_tab_switch = tab == 1
        with Xvfb() as x, LocalServer(self.root, "--http-port", "0", "--log-level", "3") as server:
            self.write_settings(server.master_port, web_base=server.web_base)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.reach_lobby(app, "Somchai" if tab == 0 else "Somsri")

                self.click(app, POINT_GAME if tab else test_lobby.NORMAL_GAME)
                app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
                shot, seen = self.wait_for_plates(app, "rooms_tab%d" % tab, tab)
                # Five rooms start inside the view; the sixth is beyond the right edge.
                self.assertEqual(seen, [0, 1, 2, 3, 4], shot)

                if with_tab_switch:
                    # The other tab shows the same rooms in its own colours, and back.
                    time.sleep(CLICK_INTERVAL)
                    self.click(app, NORMAL_TAB)
                    self.wait_for_plates(app, "rooms_tab%d_other" % tab, 0)
                    time.sleep(CLICK_INTERVAL)
                    self.click(app, POINT_TAB)
                    self.wait_for_plates(app, "rooms_tab%d_back" % tab, 1)

                # The wheel over the list scrolls it sideways: three notches down move it
                # 120 units towards its end, three up bring it back.
                app.xdo("mousemove", "--window", app.window, "640", "440", "click", "--repeat", "3", "--delay",
                        "100", "5")
                self.wait_for_plates(app, "rooms_tab%d_wheel" % tab, tab, offset=3 * WHEEL_NOTCH)
                app.xdo("click", "--repeat", "3", "--delay", "100", "4")
                self.wait_for_plates(app, "rooms_tab%d_wheel_back" % tab, tab)
                self.assert_no_entry(app, server)

                # A drag from the 5,000 room to the left, released over the 1,000 room
                # once the list has reached its end, scrolls there and enters nothing.
                release_x = plate_left(AFFORDABLE, FULL_SCROLL) + PLATE_WIDTH // 2
                self.drag_left(app, plate_left(3) + 120, release_x)
                shot, seen = self.wait_for_plates(app, "rooms_tab%d_end" % tab, tab, offset=FULL_SCROLL)
                self.assertIn(5, seen)
                self.assert_no_entry(app, server)

                # The 50,000 room needs 1,000,000 chips: the box, and nothing sent.
                time.sleep(CLICK_INTERVAL)
                self.click(app, (plate_left(UNAFFORDABLE, FULL_SCROLL) + PLATE_WIDTH // 2, 440))
                app.wait_for_log(r"GameNotify::Update box open", timeout=10)
                app.screenshot("rooms_tab%d_box" % tab)
                self.assert_no_entry(app, server)
                app.key("Escape")
                app.wait_for_log(r"GameNotify::Update box closed", timeout=10)
                self.assert_no_entry(app, server)

                # The 1,000 room is affordable: the request carries the tab's game type
                # and the stake, the server seats the player, and table play follows.
                time.sleep(CLICK_INTERVAL)
                self.click(app, (plate_left(AFFORDABLE, FULL_SCROLL) + PLATE_WIDTH // 2, 440))
                app.wait_for_log(r"VXScene_game::SendRequest\| 204 sent: type %d stake 1000" % tab, timeout=15)
                server.wait_for_trace(r"table \d+ created: stake 1000, %s game" % ("point" if tab else "normal"))
                server.wait_for_trace(r"table entry: account \d+ at table \d+ seat \d \(stake 1000\)")
                app.wait_for_log(r"VXScene_game::HandleReply\| table \d+ entered", timeout=15)
                app.wait_for_log(r"GameModePlay::OnInit_Process \.\.\.", timeout=15)
                # One entry, and no other room's.
                self.assertEqual(len(re.findall(r"table entry: account", server.trace())), 1)
                self.assertNotIn("refused", server.trace())

    def test_normal_game_rooms_from_the_lobby_to_a_seat(self):
        self.rooms_to_a_seat(0)

    def test_point_game_rooms_with_their_tab_from_the_lobby_to_a_seat(self):
        self.rooms_to_a_seat(1)


if __name__ == "__main__":
    unittest.main()
