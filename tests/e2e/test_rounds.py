"""Whole rounds that the player plays with real clicks against the local server.

A new quick-start account plays seat 0 of a table with three bots on fixed deals:
- it goes out in its first turn (the pile card taken into a set with two hand cards, a
  run from the hand, a card attached through its target button, the last card thrown);
- it knocks dark in knock mode (a staging cancelled first restores the hand and sends
  nothing; then two downs from the hand and the last throw, sent 700 ms apart);
- with no stock at all it plays the last turn and ends it with the end button;
- it changes two hand cards with a card-change item, draws and throws a new card.
The result's chips for the own seat are the ones the server settled, in its trace and in
its database, and the server refused none of the player's moves.
"""
import os
import re
import sqlite3
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_login import click  # noqa: E402
from test_moves import ATTACH, DOWN, PILE_TOP, TARGET_1, THROW, MovesTest, fixed_deal, hand_card, options  # noqa: E402

# Seat 0 holds the fives 16 and 29 (the pile card 42 is the third), the run 20 21 22 of
# suit 1, the five 3 to attach to the set, and 50 to throw last.
OUT_HAND = [16, 20, 29, 3, 21, 50, 22]
OUT_PILE = 42
MISSION = 30  # in the stock: no mission bonus in the round

# Knock dark from the hand alone: the run 20 21 22, the set of fives 3 16 29, and 50.
DARK_HAND = [20, 3, 21, 16, 50, 29, 22]
DARK_PILE = 42
DARK_TOTAL = 5 + 10 + 10 + 3 * 5 + 100  # the laid cards' points and the dark knock's bonus

KNOCK_DARK = (827, 519)       # knock-dark button 170 x 90 from (742, 474)
CONFIRM = (784, 519)          # confirm button 124 x 90 from (722, 474)
CANCEL = (912, 519)           # cancel button 124 x 90 from (850, 474)
END = (827, 519)              # end button 170 x 90 from (742, 474)
CHANGE = (1115, 515)          # card-change button 276 x 84 from (977, 473)
STOCK = (310, 376)

# The card change: the first two hand cards go back; the stock's top two come instead.
CHANGE_TOP = [44, 45]


class RoundsTest(MovesTest):
    test_refused_clicks_send_nothing_and_a_draw_and_a_throw_reach_the_server = None
    test_a_pile_take_into_a_set_an_attach_through_its_target_and_a_throw = None

    def pick(self, app, hand, codes):
        """Selects the hand cards `codes`, `hand` being the own hand in its shown order."""
        for code in codes:
            click(app, hand_card(hand.index(code)))
            time.sleep(0.2)

    def settled(self, server, table, account):
        """The settlement trace of the first round of `table` and the database's delta of
        `account` in it."""
        line = server.wait_for_trace(r"table %s round settled: winner (-?\d+), end kind (-?\d+)(.*)" % table,
                                     timeout=20)
        db = sqlite3.connect("file:%s?mode=ro" % os.path.join(self.root, "server.db"), uri=True)
        try:
            rows = db.execute("SELECT s.delta FROM round_seats s JOIN rounds r ON r.id = s.round "
                              "WHERE r.table_no = ? AND s.account = ?", (int(table), account)).fetchall()
        finally:
            db.close()
        return line, [r[0] for r in rows]

    def arrivals(self, read, pattern, count, timeout):
        """Waits until `read()` holds `count` lines matching `pattern`; returns the moment
        (time.monotonic) each one was first seen, polling every 10 ms."""
        rx = re.compile(pattern)
        seen = []
        end = time.monotonic() + timeout
        while len(seen) < count:
            found = len(rx.findall(read()))
            now = time.monotonic()
            seen.extend([now] * (found - len(seen)))
            if now > end:
                self.fail("%d of %d server lines matching %r within %ss" % (len(seen), count, pattern, timeout))
            time.sleep(0.01)
        return seen

    def own_face_up(self, app, name, count):
        """Asserts that `count` own cards show face up in the hand row."""
        shot = app.screenshot(name)
        for i in range(count):
            r, g, b = app.pixel(shot, 295 + 56 * i + 24, 695)
            self.assertTrue(r > 190 and g > 190, "own card %d face up on %s: %s" % (i, shot, (r, g, b)))

    def result_chips(self, app, server, table):
        """The own seat 0's chips from the client's result and from the server's trace
        and database; asserts that they agree and returns the settlement trace."""
        app.wait_for_log(r"GameModePlay::OnPacket\| 218 result: winner seat (-?\d+)", timeout=30)
        shown = app.wait_for_log(r"GameModePlay::OnPacket\| 218 seat 0: settlement (-?\d+)", timeout=5)
        line = server.wait_for_trace(r"table %s round settled: winner (-?\d+), end kind (-?\d+)(.*)" % table,
                                     timeout=20)
        chips = re.search(r"; seat 0 account (\d+) total (-?\d+) chips ([+-]\d+)", line.group(3))
        self.assertIsNotNone(chips, line.group(0))
        _, deltas = self.settled(server, table, int(chips.group(1)))
        self.assertEqual(int(shown.group(1)), int(chips.group(3)), "the client shows the traced chips")
        self.assertEqual(deltas, [int(chips.group(3))], "the database holds the same settlement")
        return line, chips

    def test_the_own_seat_goes_out_by_clicks_and_the_result_shows_the_settled_chips(self):
        pack = fixed_deal(OUT_HAND, OUT_PILE)
        served = options(pack, "--mission-card", str(MISSION))
        with self.at_own_turn(served, "out") as (app, server, own, hand, table):
            self.assertEqual(own, 0)
            self.assertEqual(sorted(hand), sorted(OUT_HAND))

            # The pile card into a set with the two hand fives.
            self.pick(app, hand, (16, 29))
            click(app, PILE_TOP)
            time.sleep(0.3)
            click(app, DOWN)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 down by seat 0,", timeout=10)
            time.sleep(0.8)
            hand = [c for c in hand if c not in (16, 29)]

            # The run from the hand, with the second down button.
            self.pick(app, hand, (20, 21, 22))
            click(app, DOWN)
            self.wait_for_count(app, r"GameModePlay::OnPacket\| 216 down by seat 0,", 2, timeout=10)
            time.sleep(0.8)
            hand = [c for c in hand if c not in (20, 21, 22)]
            app.screenshot("out_melds")

            # The five onto the set through its target.
            self.pick(app, hand, (3,))
            click(app, ATTACH)
            time.sleep(0.4)
            click(app, TARGET_1)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 attach by seat 0,", timeout=10)
            time.sleep(0.8)
            hand.remove(3)
            self.assertEqual(hand, [50])

            # The last card thrown ends the round.
            self.pick(app, hand, (50,))
            click(app, THROW)
            line, chips = self.result_chips(app, server, table)
            time.sleep(0.8)
            app.screenshot("out_result")
            self.assertEqual(int(line.group(1)), 0, "the own seat won")
            self.assertGreater(int(chips.group(3)), 0)
            trace = self.server_log(server)
            for move in (r"down [\d,]+ kind 3 knock 0 from the pile", r"down [\d,]+ kind \d knock 0",
                         r"attach 3 to seat 0 meld 0", r"throw 50"):
                self.assertRegex(trace, r"table %s seat 0 move: %s" % (table, move))
            self.assertNotIn("move refused", trace)


    def test_knock_dark_staged_and_confirmed_leaves_700_ms_apart_and_cancel_sends_nothing(self):
        pack = fixed_deal(DARK_HAND, DARK_PILE)
        served = options(pack, "--mission-card", str(MISSION))
        with self.at_own_turn(served, "dark") as (app, server, own, hand, table):
            self.assertEqual(own, 0)
            self.assertEqual(sorted(hand), sorted(DARK_HAND))
            own_moves = r"table %s seat 0 move" % table

            # Knock mode, a run staged from the hand, then cancel: the whole hand is
            # back and nothing went to the server.
            click(app, KNOCK_DARK)
            time.sleep(0.4)
            self.pick(app, hand, (20, 21, 22))
            click(app, DOWN)
            time.sleep(0.6)
            app.screenshot("dark_staged")
            click(app, CANCEL)
            time.sleep(0.8)
            self.own_face_up(app, "dark_cancelled", len(hand))
            self.assertNotIn(own_moves, server.trace(), "a cancelled knock sends nothing")
            self.assertNotIn("GameModePlay_virtual::RunTask", app.log_text())

            # Knock mode again: the run and the set from the hand, and the last card.
            click(app, KNOCK_DARK)
            time.sleep(0.4)
            self.pick(app, hand, (20, 21, 22))
            click(app, DOWN)
            time.sleep(0.6)
            rest = [c for c in hand if c not in (20, 21, 22)]
            self.pick(app, rest, (3, 16, 29))
            click(app, DOWN)
            time.sleep(0.6)
            self.assertNotIn(own_moves, server.trace(), "staged moves wait for the confirmation")
            self.pick(app, [50], (50,))
            # The last card is staged too; the knock leaves only with the confirm
            # button. Each queued move leaves with its "Process" line: the log is
            # watched as it grows, from before the click on.
            click(app, THROW)
            app.wait_for_log(r"GameModePlay_virtual::Process_Player_Action_Throw END", 10)
            time.sleep(0.6)
            self.assertNotIn(own_moves, server.trace(), "the staged throw waits for the confirmation")
            self.assertNotRegex(app.log_text(), r"GameModePlay_virtual::RunTask")
            sent = []
            watch = threading.Thread(target=lambda: sent.extend(self.arrivals(
                app.log_text, r"GameModePlay_virtual::Process \.+\(\d\)", 3, timeout=20)))
            watch.start()
            time.sleep(0.1)
            click(app, CONFIRM)
            watch.join()
            self.assertEqual(len(sent), 3, "three queued moves sent")
            self.assertRegex(app.log_text(), r"GameModePlay_virtual::RunTask \.+\(3\)")
            for a, b in zip(sent, sent[1:]):
                # 700 ms less the 10 ms of polling on either side
                self.assertGreaterEqual(b - a, 0.68, "queued moves sent at %s" % sent)
            self.arrivals(server.trace, own_moves + r": ", 3, timeout=20)
            line, chips = self.result_chips(app, server, table)
            time.sleep(0.8)
            app.screenshot("dark_result")
            self.assertEqual((int(line.group(1)), int(line.group(2))), (0, 1), "a dark knock by seat 0")
            self.assertEqual(int(chips.group(2)), DARK_TOTAL, "the laid cards and the dark knock's bonus")
            trace = server.trace()
            moves = re.findall(own_moves + r": ([^\n]*)", trace)
            self.assertRegex(moves[0], r"down [\d,]+ kind \d knock 1")
            self.assertRegex(moves[1], r"down [\d,]+ kind \d knock 1")
            self.assertRegex(moves[2], r"throw 50")
            self.assertEqual(len(moves), 3)
            self.assertEqual(len(re.findall(r"GameModePlay_virtual::Process \.+\(\d\)", app.log_text())), 3)
            self.assertNotIn("move refused", trace)

    def test_the_last_turn_after_the_stock_ran_out_ends_the_round_with_the_end_button(self):
        pack = fixed_deal(OUT_HAND, OUT_PILE)
        served = options(pack, "--mission-card", str(MISSION), "--stock-cards", "0")
        with self.at_own_turn(served, "forced") as (app, server, own, hand, table):
            self.assertEqual(own, 0)
            time.sleep(0.5)
            app.screenshot("forced_turn")
            # No draw in the last turn: a click on the stock sends nothing.
            click(app, STOCK)
            time.sleep(0.8)
            self.assertNotIn("table %s seat 0 move" % table, server.trace())
            click(app, END)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 end by seat", timeout=10)
            line, chips = self.result_chips(app, server, table)
            time.sleep(0.8)
            app.screenshot("forced_result")
            trace = server.trace()
            self.assertRegex(trace, r"table %s seat 0 move: end" % table)
            self.assertEqual(int(line.group(2)), -1, "a stock exhaustion, no knock")
            self.assertNotIn("move refused", trace)

    def test_the_card_change_swaps_two_hand_cards_for_the_stocks_top_and_play_goes_on(self):
        pack = fixed_deal(OUT_HAND, OUT_PILE, CHANGE_TOP)
        served = options(pack, "--mission-card", str(MISSION), "--card-change-items", "1")
        with self.at_own_turn(served, "change") as (app, server, own, hand, table):
            self.assertEqual(own, 0)
            given = hand[:2]
            self.pick(app, hand, given)
            click(app, CHANGE)
            app.wait_for_log(r"GameModePlay::OnPacket\| 213 card change: 2 cards replaced", timeout=10)
            changed = server.wait_for_trace(r"table %s seat 0 card change: gave ([\d,]+), got ([\d,]+)" % table)
            self.assertEqual(sorted(int(c) for c in changed.group(1).split(",")), sorted(given))
            self.assertEqual(sorted(int(c) for c in changed.group(2).split(",")), sorted(CHANGE_TOP))
            time.sleep(0.8)
            app.screenshot("change_done")
            # The given cards went under the stock: the draw takes the next card.
            click(app, STOCK)
            drawn = app.wait_for_log(r"GameModePlay::OnPacket\| 216 draw by seat 0,", timeout=10)
            time.sleep(0.8)
            self.assertRegex(server.trace(), r"table %s seat 0 move: draw (?!%d\b|%d\b)\d+" % (table, *given))
            # A new card sits where a given one was: it is thrown from there.
            for i in (0, 1):
                click(app, hand_card(i))  # the new cards come selected: off again
                time.sleep(0.2)
            click(app, hand_card(0))
            time.sleep(0.2)
            click(app, THROW)
            thrown = app.wait_for_log(r"GameModePlay::OnPacket\| 216 throw by seat 0, card (\d+)", timeout=10)
            self.assertIn(int(thrown.group(1)), CHANGE_TOP)
            self.assertIsNotNone(drawn)
            self.assertNotIn("refused", server.trace())


if __name__ == "__main__":
    unittest.main()
