"""The lobby's settings panel in the real program: the music switch stops the lobby
music at once and starts it again, and the settings file keeps the choice.

The program runs under Xvfb against the local server with SDL's disk audio driver,
which writes exactly the mixed stream to a file. Sound effects are off in the settings
file from the start, so the lobby music is the only sound: the stream holds its PCM (as
the program's decoder makes it, through the mp3_pcm helper) until the switch, and
silence after it.

Run with: TOLVAN_BINARY=build/tolvan TOLVAN_MP3_PCM=build/tests/e2e/mp3_pcm \
    TOLVAN_BUILD_DIR=build python3 tests/e2e/test_settings.py \
    SettingsTest.test_music_switch_stops_the_lobby_music_at_once_and_starts_it_again
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_lobby import LobbyTest  # noqa: E402
from test_login import QUICK_CENTRE, LocalServer, click, register  # noqa: E402
from test_sound import clip_pcm  # noqa: E402

GEAR = (1217, 42)          # the lobby's settings button: 100 x 80 from (1167, 2)
MUSIC_SWITCH = (1004, 168)  # the music switch: 150 x 120 from (929, 108)
BYTES_PER_SECOND = 44100 * 4
# The mixer hands the device 1024 frames at a time; the stream file is written through
# a stdio buffer, so what the test sees of it may lag by that much more.
MIX_BUFFER = 1024 * 4
FILE_LAG = 8192


class SettingsTest(LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def running_with_disk_audio(self, x, stream):
        app = TolvanRun(x, test_mode=None,
                        extra_env={"TOLVAN_CONFIG_DIR": self.config, "TOLVAN_DATA_DIR": self.data,
                                   "SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": stream})
        self.addCleanup(app.__exit__, None, None, None)
        app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
        return app

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            return f.read()

    def wait_for_stream(self, path, found, what, timeout=15):
        """Polls the stream until `found(stream)` holds; returns the stream."""
        end = time.time() + timeout
        while True:
            stream = self.read(path)
            if found(stream):
                return stream
            if time.time() > end:
                self.fail("%s: not in the %d bytes of the stream" % (what, len(stream)))
            time.sleep(0.2)

    def test_music_switch_stops_the_lobby_music_at_once_and_starts_it_again(self):
        music = clip_pcm("snd_bg_lobby.mp3")
        opening = music[:BYTES_PER_SECOND // 2]
        self.assertTrue(any(opening), "the lobby music opens with silence")
        stream_path = os.path.join(self.root, "stream.raw")
        with Xvfb() as x, LocalServer(self.root) as server:
            # The server's banners too: the panel opens over them and keeps its clicks.
            self.write_settings(server.master_port, sound_on=0, sound_bg_on=1, web_base=server.web_base)
            app = self.running_with_disk_audio(x, stream_path)
            self.wait_for_title(app, "settings_title")
            click(app, QUICK_CENTRE)
            app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
            register(app, "Malee")
            app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
            # No music before the lobby: the stream holds the lobby music from its start.
            self.wait_for_stream(stream_path, lambda s: opening in s, "the lobby music's opening")
            self.wait_for_lobby_header(app, "settings_lobby")

            click(app, GEAR)
            app.wait_for_log(r"VXScene_setting_main::OnInit_Process", timeout=15)
            app.screenshot("settings_panel")
            before = len(self.read(stream_path))
            time.sleep(0.6)
            # Still playing while the panel is open: the last half second is the music's.
            stream = self.read(stream_path)
            recent = stream[-FILE_LAG - BYTES_PER_SECOND // 4:-FILE_LAG]
            self.assertGreater(len(stream), before)
            self.assertIn(recent, music + music, "the lobby music is not playing with the panel open")

            click(app, MUSIC_SWITCH)
            app.wait_for_log(r"VXScene_setting_main::OnClick\| music off", timeout=10)
            cut = len(self.read(stream_path))
            time.sleep(1.5)
            stream = self.read(stream_path)
            after = stream[cut + MIX_BUFFER + FILE_LAG:]
            self.assertGreater(len(after), BYTES_PER_SECOND, "the stream stopped: the program no longer plays")
            if any(after):
                first = next(i for i, b in enumerate(after) if b) + MIX_BUFFER + FILE_LAG
                self.fail("sound in the stream %d bytes after the switch" % first)
            self.assertIsNone(app.proc.poll(), "the program ended")
            self.assertEqual(self.settings().get("sound_bg_on"), 0)

            # On again in the lobby: the lobby music starts from its beginning.
            time.sleep(0.6)  # a control reports at most one click per 500 ms
            on_from = len(self.read(stream_path))
            click(app, MUSIC_SWITCH)
            app.wait_for_log(r"VXScene_setting_main::OnClick\| music on", timeout=10)
            self.wait_for_stream(stream_path, lambda s: s.find(opening, on_from) >= 0,
                                 "the lobby music after switching it on again")
            self.assertEqual(self.settings().get("sound_bg_on"), 1)
            self.assertIsNone(app.proc.poll(), "the program ended")
            self.assertNotIn("m_pSoundManager::load error", app.log_text())


if __name__ == "__main__":
    unittest.main()
