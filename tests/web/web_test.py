#!/usr/bin/env python3
"""The browser build in headless Chromium, driven over the DevTools protocol.

usage: web_test.py WEB_BUILD_DIR NATIVE_BUILD_DIR

Serves WEB_BUILD_DIR with python3 -m http.server and checks that the page
loads without console errors, that its start button starts the show (with its
music), that the canvas shows the show a few seconds in, kept at 4:3, that
Escape stops it, that hash mode prints exactly the hashes of
ambrelle-capture --hash (NATIVE_BUILD_DIR) across all eight scenes, and that a
bad frame list is refused. Prints hash mode's speed over the whole show.
Only the standard library: Chromium talks over a pipe (--remote-debugging-pipe).
"""
import base64
import fcntl
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

# Frames in every scene's window, transitions included, the rand-dependent
# ones among them (lighthouse sparks, rain, dragonfly flowers), and the end.
HASH_FRAMES = [1, 100, 500, 1000, 1250, 1500, 1560, 1636, 2030, 2100, 2400, 2640, 2800, 3000, 3500, 4000, 4300,
               4800, 5000, 5400, 5560, 5600, 6200, 6900, 7000, 7100, 7300, 7500, 7576]
# The viewport is wider than 4:3, so the picture has black bars left and right.
VIEW_WIDTH, VIEW_HEIGHT = 960, 600
SHOW_SECONDS_BEFORE_SCREENSHOT = 9

failures = []


def check(condition, message):
    print(("ok    " if condition else "FAIL  ") + message, flush=True)
    if not condition:
        failures.append(message)
    return condition


class DevTools:
    """A Chromium process and one page session over --remote-debugging-pipe."""

    def __init__(self, chromium, profile):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def pipes_as_3_and_4():
            # Out of the way first: either pipe end may itself be 3 or 4.
            high_r = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            high_w = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(high_r, 3)
            os.dup2(high_w, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        self.log = open(os.path.join(profile, "chromium.log"), "wb")
        self.process = subprocess.Popen(
            [chromium, "--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--user-data-dir=" + profile, "--no-first-run", "--no-default-browser-check", "--disable-dev-shm-usage",
             "--window-size=%d,%d" % (VIEW_WIDTH, VIEW_HEIGHT), "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, close_fds=False,
            preexec_fn=pipes_as_3_and_4)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.replies = {}
        self.events = []
        self.lock = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.session = None
        pages = [t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page"]
        target = pages[0]["targetId"] if pages else self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(domain + ".enable")
        self.call("Emulation.setDeviceMetricsOverride", width=VIEW_WIDTH, height=VIEW_HEIGHT, deviceScaleFactor=1,
                  mobile=False)

    def _read(self):
        buffer = b""
        while True:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                break
            buffer += chunk
            while b"\0" in buffer:
                raw, buffer = buffer.split(b"\0", 1)
                message = json.loads(raw)
                with self.lock:
                    if "id" in message:
                        self.replies[message["id"]] = message
                    else:
                        self.events.append(message)
                    self.lock.notify_all()
        with self.lock:
            self.closed = True
            self.lock.notify_all()

    def call(self, method, timeout=60, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self.lock:
            while self.next_id not in self.replies:
                if getattr(self, "closed", False) or not self.lock.wait(max(0.0, deadline - time.monotonic())):
                    raise RuntimeError("no answer to " + method)
            reply = self.replies.pop(self.next_id)
        if "error" in reply:
            raise RuntimeError("%s: %s" % (method, reply["error"]))
        return reply.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def navigate(self, url):
        self.call("Page.navigate", url=url)
        return self.wait_for("location.href === %s && document.body !== null" % json.dumps(url), 30)

    def wait_for(self, expression, timeout):
        # A page in the middle of loading has no body yet: not true yet.
        probe = "(() => { try { return !!(%s); } catch (e) { return false; } })()" % expression
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.evaluate(probe):
                return True
            time.sleep(0.1)
        return False

    def take_events(self):
        with self.lock:
            events, self.events = self.events, []
        return events

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except RuntimeError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


def console_lines(events):
    """(level, text) of every console message and uncaught exception."""
    lines = []
    for e in events:
        if e.get("method") == "Runtime.consoleAPICalled":
            p = e["params"]
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in p.get("args", []))
            lines.append((p["type"], text))
        elif e.get("method") == "Runtime.exceptionThrown":
            d = e["params"]["exceptionDetails"]
            lines.append(("error", d.get("exception", {}).get("description", d.get("text", ""))))
        elif e.get("method") == "Log.entryAdded":
            entry = e["params"]["entry"]
            lines.append((entry["level"], entry.get("text", "") + " " + entry.get("url", "")))
    return lines


def errors_in(lines):
    return [text for level, text in lines if level in ("error", "assert")]


def decode_png(data):
    """Width, height and rows of RGB(A) byte tuples of an 8-bit PNG."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or colour not in (2, 6):
        raise ValueError("unexpected PNG format")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, i = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def serve(directory):
    port = free_port()
    server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1",
                               "--directory", directory], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return server, "http://127.0.0.1:%d/" % port
        except OSError:
            time.sleep(0.1)
    server.kill()
    raise RuntimeError("the static server did not start")


def expected_hashes(native_build):
    capture = os.path.join(native_build, "ambrelle-capture")
    result = subprocess.run([capture, "-C", native_build, "--hash", "--frames", ",".join(map(str, HASH_FRAMES))],
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise RuntimeError("ambrelle-capture failed: " + result.stderr)
    return result.stdout.splitlines()


def click(browser, element_id):
    box = browser.evaluate("(() => { const r = document.getElementById('%s').getBoundingClientRect();"
                           " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % element_id)
    for kind in ("mousePressed", "mouseReleased"):
        browser.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left", clickCount=1)


def live_show(browser, url):
    browser.navigate(url + "index.html")
    ready = browser.wait_for("!document.getElementById('start').disabled", 60)
    check(ready, "the page downloads the show and enables its start button")
    load_errors = errors_in(console_lines(browser.take_events()))
    check(not load_errors, "no console errors on load" + (": %s" % load_errors if load_errors else ""))
    if not ready:
        return
    check(browser.evaluate("document.body.dataset.state") == "downloading", "nothing starts before the button")

    click(browser, "start")
    started = browser.wait_for("document.body.dataset.state === 'playing'", 60)
    check(started, "the start button starts the show (loading bar, then playing)")
    if not started:
        return
    check(browser.evaluate("Module.ambrelle.musicStarted === true"), "the music was decoded and started")
    moving = browser.wait_for("Module._ambrelleElapsedMs() >= %d" % (SHOW_SECONDS_BEFORE_SCREENSHOT * 1000), 60)
    check(moving, "the show's clock reaches %d s" % SHOW_SECONDS_BEFORE_SCREENSHOT)
    audio_runs = browser.evaluate("Module.ambrelle.heardAudioSeconds() >= 0")
    print("      audio clock %s" % ("running: the picture follows it" if audio_runs else "not running"))
    if audio_runs:
        # The picture's time is the heard sound's at the moment it was drawn:
        # never ahead of the sound, behind it by the time since that frame.
        lags = []
        for _ in range(20):
            lags.append(browser.evaluate("(Module.ambrelle.heardAudioSeconds() - Module.ambrelle.musicStartAt) * 1000"
                                         " - Module._ambrelleElapsedMs()"))
            time.sleep(0.05)
        lags.sort()
        check(lags[0] >= 0, "the picture is never ahead of the music (lag %.1f .. %.1f ms, median %.1f)" %
              (lags[0], lags[-1], lags[len(lags) // 2]))

    shot = base64.b64decode(browser.call("Page.captureScreenshot", format="png")["data"])
    width, height, rows = decode_png(shot)
    # 960 x 600 holds an 800 x 600 picture with 80-pixel black bars.
    bar = (width - height * 4 // 3) // 2
    left = {rows[y][x] for y in range(0, height, 7) for x in range(0, bar - 1, 3)}
    right = {rows[y][x] for y in range(0, height, 7) for x in range(width - bar + 1, width, 3)}
    picture = [rows[y][x] for y in range(0, height, 3) for x in range(bar + 1, width - bar - 1, 3)]
    colours = set(picture)
    commonest = max(colours, key=picture.count) if picture else None
    check(bar > 0 and left == {(0, 0, 0)} and right == {(0, 0, 0)}, "the picture keeps 4:3 with black bars")
    check(len(colours) >= 64 and picture.count(commonest) < 0.8 * len(picture),
          "the canvas shows the show after %d s (%d colours)" % (SHOW_SECONDS_BEFORE_SCREENSHOT, len(colours)))

    browser.call("Input.dispatchKeyEvent", type="keyDown", key="Escape", code="Escape", windowsVirtualKeyCode=27)
    browser.call("Input.dispatchKeyEvent", type="keyUp", key="Escape", code="Escape", windowsVirtualKeyCode=27)
    stopped = browser.wait_for("document.body.dataset.state === 'ended' && document.body.dataset.status === '0'", 20)
    check(stopped, "releasing Escape stops the show")
    show_errors = errors_in(console_lines(browser.take_events()))
    check(not show_errors, "no console errors while playing" + (": %s" % show_errors if show_errors else ""))


def hash_mode(browser, url, expected):
    browser.take_events()
    browser.navigate(url + "index.html?hash=" + ",".join(map(str, HASH_FRAMES)))
    done = browser.wait_for("document.body.dataset.state === 'ended'", 600)
    lines = console_lines(browser.take_events())
    logged = [text for level, text in lines if level == "log"]
    check(done and logged[-1:] == ["done"], "hash mode ends with 'done'")
    check(not errors_in(lines), "no console errors in hash mode: %s" % errors_in(lines))
    got = logged[:-1]
    same = got == expected
    check(same, "hash mode gives ambrelle-capture's %d hash lines exactly" % len(expected))
    if not same:
        for want, have in zip(expected, got + [""] * len(expected)):
            if want != have:
                print("      want %s\n      got  %s" % (want, have))
    frames = browser.evaluate("document.body.dataset.hashFrames")
    ms = browser.evaluate("document.body.dataset.hashMs")
    if frames and ms:
        seconds = float(ms) / 1000
        print("      hash mode: %s frames in %.2f s, %.0f x real time" % (frames, seconds, 250.008 / seconds))


def bad_list(browser, url):
    browser.take_events()
    browser.navigate(url + "index.html?hash=12,x")
    ended = browser.wait_for("document.body.dataset.state === 'ended'", 60)
    lines = console_lines(browser.take_events())
    errors = errors_in(lines)
    check(ended and browser.evaluate("document.body.dataset.status") == "2", "a bad frame list ends with status 2")
    check(errors == ["ambrelle: hash: 'x' is not a frame number"],
          "a bad frame list gives one error line: %s" % errors)
    check("done" not in [text for _, text in lines], "a bad frame list prints no 'done'")


def main():
    if len(sys.argv) != 3:
        print("usage: web_test.py WEB_BUILD_DIR NATIVE_BUILD_DIR", file=sys.stderr)
        return 2
    web_build, native_build = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("web_test: chromium not found", file=sys.stderr)
        return 1
    for name in ("index.html", "show.js", "show.wasm", "show.data"):
        if not os.path.isfile(os.path.join(web_build, name)):
            print("web_test: %s is missing in %s" % (name, web_build), file=sys.stderr)
            return 1
    size = sum(os.path.getsize(os.path.join(web_build, n)) for n in ("show.js", "show.wasm", "show.data"))
    print("      download: %.2f MB (show.js, show.wasm, show.data)" % (size / 1e6))
    check(size < 8_000_000, "the page's download stays under 8 MB")

    expected = expected_hashes(native_build)
    server, url = serve(web_build)
    profile = tempfile.mkdtemp(prefix="ambrelle-chromium-")
    browser = None
    try:
        browser = DevTools(chromium, profile)
        live_show(browser, url)
        hash_mode(browser, url, expected)
        bad_list(browser, url)
    finally:
        if browser:
            browser.close()
            if failures:
                with open(os.path.join(profile, "chromium.log"), errors="replace") as log:
                    print("      chromium's log, last lines:\n" + "".join(log.readlines()[-20:]))
        server.kill()
        server.wait()
        shutil.rmtree(profile, ignore_errors=True)
    print("web test: %d check(s) failed" % len(failures) if failures else "web test: all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
