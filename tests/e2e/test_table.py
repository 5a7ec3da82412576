"""A whole round at a table against the local server, followed through the log.

A new quick-start account goes from the lobby's room list to a waiting table with three
bots (screenshot), starts the round with a click on start, follows the deal and three
bot turns, sees its own turn's timer run out until the server plays the turn for it
(the server runs with a short turn limit), waits for the result panel and the ranking
panel (screenshots), the return to waiting, and leaves for the lobby with the exit
button. The hands the client holds at the result are compared with the hands the
server reveals in its trace.
"""
import os
import random
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import Xvfb  # noqa: E402
from test_lobby import NORMAL_GAME, LobbyTest, region  # noqa: E402
from test_login import CLICK_INTERVAL, LocalServer, click, is_blue, register  # noqa: E402

FIRST_ROOM = (158, 436)      # the first room plate of the room list: (32, 292) to (284, 580)
START = {0: (450, 645), 1: (383, 645)}   # start/ready plate 235 x 81 from (333, 605) / (266, 605)
EXIT = {0: (970, 645), 1: (903, 645)}    # exit plate 235 x 81 from (853, 605) / (786, 605)
TURN_SECONDS = 6

# A fixed deal: the pack order the server deals from, one card a seat in seat order.
PACK = random.Random(20261210).sample(range(52), 52)
HAND_SIZE = 7  # with four seats

# The server's options: a short turn limit, quick bots seated one by one, no start of its
# own, the fixed deal, and its trace on.
SERVER_OPTIONS = ["--turn-seconds", str(TURN_SECONDS), "--bot-think-ms", "250", "--auto-start-ms", "0",
                  "--bots-per-table", "3", "--bot-seat-ms", "300", "--deal", ",".join(map(str, PACK)),
                  "--result-ms", "2500", "--ranking-ms", "2500", "--log-level", "3"]


# The own turn's controls (layout 0).
STOCK = (310, 376)            # the stock: (270, 325) to (351, 427)
THROW = (627, 519)            # throw button 170 x 90 from (542, 474)
END = (827, 519)              # the last turn's end button 170 x 90 from (742, 474)
HAND_CARD_0 = (315, 640)      # the visible strip of the first own hand card


def click_on(app, point):
    """A click that reaches `app`'s window even when another program's window lies on
    top of it (no window manager): the window is raised first."""
    app.xdo("windowraise", app.window)
    app.xdo("mousemove", "--window", app.window, str(point[0]), str(point[1]), "click", "1")


def dealt_hand(seat):
    return sorted(PACK[seat:4 * HAND_SIZE:4])


def server_hands(trace, table):
    """Every seat's hand at the end of the first round of `table`, followed from the
    server's deal and move traces: draws and pile picks come in, laid, attached and
    thrown cards go."""
    deal = re.search(r"table %s round 1 dealt: first seat \d+; (.*?); pile (-?\d+);" % table, trace)
    if not deal:
        return None
    hands = {}
    for part in deal.group(1).split("; "):
        m = re.match(r"seat (\d) ([\d,]+)", part)
        if m:
            hands[int(m.group(1))] = set(int(c) for c in m.group(2).split(","))
    pile = [int(deal.group(2))]
    body = trace[deal.end():]
    settled = body.find("table %s round settled" % table)
    for m in re.finditer(r"table %s seat (\d) move: (\w+) ?([^\n]*)" % table, body[:settled] if settled >= 0 else body):
        seat, what, rest = int(m.group(1)), m.group(2), m.group(3)
        cards = [int(c) for c in re.findall(r"\d+", rest.split(" kind ")[0].split(" to seat ")[0])]
        hand = hands.setdefault(seat, set())
        if what == "draw":
            hand.update(cards[:1])
        elif what in ("down", "attach"):
            if "from the pile" in rest:
                low = min(pile.index(c) for c in cards if c in pile)
                hand.update(pile[low:])
                del pile[low:]
            hand.difference_update(cards)
        elif what == "throw":
            hand.discard(cards[0])
            pile.append(cards[0])
    return {seat: sorted(hand) for seat, hand in hands.items()}


def stamp(text):
    """Seconds of a log line's "YYYYMMDD HH:MM:SS" time."""
    return time.mktime(time.strptime(text, "%Y%m%d %H:%M:%S"))


def all_after(text, marker):
    i = text.find(marker)
    return text[i:] if i >= 0 else ""


class TableTest(LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def server_log(self, server):
        with open(server.err_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def wait_for_count(self, app, pattern, count, timeout):
        """Waits until `pattern` matches at least `count` log lines; returns the matches."""
        rx = re.compile(pattern)
        end = time.time() + timeout
        while True:
            found = rx.findall(app.log_text())
            if len(found) >= count:
                return found
            if time.time() > end:
                self.fail("%d of %d lines matching %r within %ss" % (len(found), count, pattern, timeout))
            time.sleep(0.1)

    def play_own_turns(self, apps, server, table, since=None, timeout=240):
        """Plays every turn of the programs in `apps` (own seat: program) with clicks on
        their windows until the server settles `table`'s round: a draw from the stock
        and a throw of the first hand card, or the end of the last turn once the stock
        is empty. Turns are the 215 lines (and a 206 of a round in play, which a rejoin
        receives) after `since` (seat: log offset; default the log's end now). Returns
        the turns played by each seat."""
        since = dict(since or {seat: len(app.log_text()) for seat, app in apps.items()})
        played = {seat: 0 for seat in apps}
        turn_rx = re.compile(r"GameModePlay::OnPacket\| (?:215|206 table info mode 0: [^\n]*state 2,) "
                             r"turn of seat (\d)[^\n]*?, stock (\d+)")
        deadline = time.time() + timeout
        while "table %s round settled" % table not in server.trace():
            self.assertLess(time.time(), deadline, "the round did not end; server:\n" + server.trace()[-3000:])
            for seat, app in apps.items():
                log = app.log_text()
                turns = [m for m in turn_rx.finditer(log, since[seat]) if int(m.group(1)) == seat]
                if len(turns) <= played[seat]:
                    continue
                played[seat] = len(turns)
                since[seat] = turns[-1].end()
                time.sleep(1.0)  # the turn's own animation
                if int(turns[-1].group(2)) == 0:
                    ends = log.count("216 end by seat %d" % seat)
                    click_on(app, END)
                    self.wait_for_count(app, r"216 end by seat %d" % seat, ends + 1, timeout=15)
                    continue
                draws = log.count("216 draw by seat %d," % seat)
                throws = log.count("216 throw by seat %d," % seat)
                click_on(app, STOCK)
                self.wait_for_count(app, r"216 draw by seat %d," % seat, draws + 1, timeout=15)
                time.sleep(0.8)  # the card's flight
                click_on(app, HAND_CARD_0)
                time.sleep(CLICK_INTERVAL)
                click_on(app, THROW)
                self.wait_for_count(app, r"216 (?:throw|end) by seat %d," % seat, throws + 1, timeout=15)
            time.sleep(0.2)
        return played

    def test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby(self):
        with Xvfb() as x, LocalServer(self.root, *SERVER_OPTIONS) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "table_title")
                click(app, (640, 403))
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
                register(app, "Table")
                app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
                self.wait_for_lobby_header(app, "table_lobby")

                # The room list, then the first room.
                click(app, NORMAL_GAME)
                app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
                app.wait_for_log(r"VXScene_game::OnInit_Process", timeout=15)
                time.sleep(0.6)
                click(app, FIRST_ROOM)
                app.wait_for_log(r"VXScene_game::HandleReply\| table -?\d+ entered", timeout=20)
                app.wait_for_log(r"GameModePlay::OnInit_Process \.\.\.", timeout=15)
                info = app.wait_for_log(
                    r"GameModePlay::OnPacket\| 206 table info mode 0: (\d) seated, own seat (\d), host (-?\d+)",
                    timeout=20)
                own = int(info.group(2))
                # The bots sit down one by one and get ready; the waiting table with
                # everyone seated.
                # (A bot seated or ready before the table itself arrived is in the table's
                # own message, so the start button's state is what tells.)
                app.wait_for_log(r"GameModePlay::Update_Start_Buttons\| start enabled: 3 others, all ready",
                                 timeout=30)
                time.sleep(0.5)
                layout = 0
                app.screenshot("table_waiting")
                self.assertIn("GameModePlay::Create **********", app.log_text())

                # The host starts the round: wait until the start button may be used.
                host = int(info.group(3))
                self.assertEqual(host, own, "a new player's table is the player's own")
                deadline = time.time() + 30
                while "217 game start" not in app.log_text():
                    click(app, START[layout])
                    if time.time() > deadline:
                        self.fail("the round did not start")
                    time.sleep(0.7)
                self.assertRegex(app.log_text(), r"GameModePlay::OnEvent\| start: 214 sent")
                start = app.wait_for_log(
                    r"GameModePlay::OnPacket\| 217 game start: own seat (\d), host \d, mission card (-?\d+), "
                    r"stock (\d+), hand ([\d ]*)", timeout=15)
                self.assertEqual(int(start.group(1)), own)
                self.assertEqual(sorted(int(c) for c in start.group(4).split()), dealt_hand(own),
                                 "the own hand is the fixed deal's")
                self.assertEqual(int(start.group(3)), 52 - 4 * HAND_SIZE - 1, "the stock after the deal")
                mission = re.search(r"round 1 dealt: .*; mission (-?\d+)", self.server_log(server))
                self.assertIsNotNone(mission, "the server traces its deal")
                self.assertEqual(int(start.group(2)), int(mission.group(1)), "the mission card")
                app.screenshot("table_deal")

                # The own turn (the host plays first): the timer runs (screenshot), and
                # the server plays the turn once its limit has passed (log times).
                own_turn = r"\[(\d{8} [\d:]{8})\]\[GAME_LOG\] GameModePlay::OnPacket\| 215 turn of seat %d " \
                           r"\(own seat %d\), limit %d s" % (own, own, TURN_SECONDS)
                own_throw = r"\[(\d{8} [\d:]{8})\]\[GAME_LOG\] GameModePlay::OnPacket\| 216 throw by seat %d," % own
                app.wait_for_log(own_turn, timeout=120)
                if not re.search(own_throw, all_after(app.log_text(), "217 game start")):
                    time.sleep(3.0)  # the deal has landed; the turn has 3 s left
                    shot = app.screenshot("table_own_turn")
                    # The own cards face up in their row (56 apart from x 295, 129 high
                    # from y 577), the other seats' backs from their avatars + (120, 36).
                    for i in range(HAND_SIZE):
                        r, g, b = app.pixel(shot, 295 + 56 * i + 24, 695)
                        self.assertTrue(r > 190 and g > 190, "own card %d face up on %s: %s" % (i, shot, (r, g, b)))
                    for ax, ay in ((158, 34), (582, 34), (1006, 34)):
                        backs = region(shot, ax + 120, ay + 36, 100, 52)
                        blue = sum(1 for row in backs for p in row if is_blue(p))
                        self.assertGreater(blue, 1000, "a seat's face-down hand at %d on %s" % (ax, shot))
                app.wait_for_log(own_throw, timeout=TURN_SECONDS + 20)
                log = all_after(app.log_text(), "217 game start")
                began = stamp(re.search(own_turn, log).group(1))
                played = stamp(re.search(own_throw, log).group(1))
                self.assertGreaterEqual(played - began, TURN_SECONDS - 1,
                                        "the server played the own turn only after its limit")

                # Three bot turns, each followed by the bot's throw (or the end).
                turn_rx = r"215 turn of seat (\d) \(own seat %d\)" % own
                deadline = time.time() + 120
                while True:
                    log = all_after(app.log_text(), "217 game start")
                    bots = [int(s) for s in re.findall(turn_rx, log) if int(s) != own]
                    followed = [seat for seat in bots[:3]
                                if re.search(r"216 (?:throw|end) by seat %d," % seat, log)]
                    if len(bots) >= 3 and len(followed) == 3:
                        break
                    if time.time() > deadline:
                        self.fail("three bot turns followed: turns %s, played %s" % (bots, followed))
                    time.sleep(0.2)

                # The result and the ranking.
                result = app.wait_for_log(r"GameModePlay::OnPacket\| 218 result: winner seat (-?\d+)", timeout=600)
                time.sleep(0.8)
                app.screenshot("table_result")
                app.wait_for_log(r"GameModePlay::OnPacket\| 219 ranking", timeout=30)
                time.sleep(0.8)
                app.screenshot("table_ranking")

                # The hands at the result match the server's: the deal and every move
                # it traced, followed to the round's end.
                client_hands = {int(seat): sorted(int(c) for c in h.split()) for seat, h in re.findall(
                    r"GameModePlay::OnPacket\| 218 seat (\d): settlement -?\d+, hand ([\d ]*)", app.log_text())}
                self.assertIn(own, client_hands)
                table = re.search(r"table entry: account \S+ at table (\d+)", self.server_log(server))
                self.assertIsNotNone(table, "the server traces the table entry")
                expected = server_hands(self.server_log(server), table.group(1))
                self.assertIsNotNone(expected, "the server traces the deal")
                self.assertEqual(client_hands, expected)
                self.assertNotIn("move refused", self.server_log(server))

                # Back to waiting, then out to the lobby.
                deadline = time.time() + 30
                while not re.search(r"220 result closed.*\n(?:.*\n)*.*206 table info mode 0: \d seated, own seat %d, "
                                    r"host -?\d+, state [01]" % own, all_after(app.log_text(), "219 ranking")):
                    if time.time() > deadline:
                        self.fail("the table did not return to waiting")
                    time.sleep(0.2)
                time.sleep(0.5)
                app.screenshot("table_waiting_again")
                lobby_before = app.log_text().count("GameModeLobby::OnInit_Process ...")
                click(app, EXIT[layout])
                app.wait_for_log(r"GameModePlay::Leave_Room\| 205 sent", timeout=10)
                app.wait_for_log(r"GameModePlay::OnPacket\| 205 room left", timeout=15)
                self.wait_for_count(app, r"GameModeLobby::OnInit_Process \.\.\.", lobby_before + 1, timeout=20)
                self.assertIn("GameModePlay::Cleanup **********", app.log_text())
                self.assertIsNotNone(result)


if __name__ == "__main__":
    unittest.main()
