#!/usr/bin/env python3
"""Headless Chromium on a noVNC page, driven by commands on standard input.

    browser.py --check           starts Chromium and ends it: exit code 0, or 3 when it cannot
    browser.py WIDTH HEIGHT      starts Chromium with a window of that size, then reads commands

Commands, one a line; each is answered with one line on standard output, "error: ..." on failure:
    open URL SECONDS   load a noVNC address and wait until noVNC is connected and its canvas has
                       shown the same picture, of more than one colour, twice half a second apart;
                       answers the canvas's place on the page as JSON (x, y, width, height in CSS
                       pixels, at a device scale of 1; pixel_width, pixel_height)
    shot FILE          save a PNG picture of the page
    click X Y          a left click at that place of the page
    key NAME           press and release a key: Space, Enter or Escape
    quit               end Chromium (so does the end of standard input)

Chromium is driven through its DevTools protocol over a pipe (--remote-debugging-pipe: commands
on its descriptor 3, answers on 4, each a JSON text ended by a NUL byte). It and every process it
starts run in a process group of their own, ended as a whole at the end.
"""

import base64
import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CHROMIUM = os.environ.get("TGW_CHROMIUM", "/usr/bin/chromium")

# Where the canvas is, and a fingerprint of its pixels (a sample on a grid); null before noVNC is
# connected or while the canvas is of one colour.
CANVAS_STATE = """(() => {
  if (!document.documentElement.classList.contains('noVNC_connected')) return null;
  const canvas = document.querySelector('#noVNC_container canvas');
  if (!canvas || !canvas.width || !canvas.height) return null;
  const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  const colours = new Set();
  let sum = 0;
  for (let i = 0; i < pixels.length; i += 4 * 97) {
    const colour = (pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2];
    colours.add(colour);
    sum = (sum * 31 + colour) % 1000000007;
  }
  if (colours.size < 2) return null;
  const r = canvas.getBoundingClientRect();
  return {x: r.left, y: r.top, width: r.width, height: r.height,
          pixel_width: canvas.width, pixel_height: canvas.height, sample: sum};
})()"""

PAGE_STATUS = "(document.getElementById('noVNC_status') || {}).textContent || ''"

KEYS = {  # name: (key, code, Windows virtual-key code, text)
    "Space": (" ", "Space", 32, " "),
    "Enter": ("Enter", "Enter", 13, "\r"),
    "Escape": ("Escape", "Escape", 27, ""),
}


class ChromiumFailed(Exception):
  pass


class Browser:
  def __init__(self, width, height):
    self._profile = tempfile.mkdtemp(prefix="tgw-chromium-")
    to_chromium_r, self._to_chromium = os.pipe()
    self._from_chromium, from_chromium_w = os.pipe()

    def descriptors():  # in the child: its ends of the pipes become descriptors 3 and 4
      high_r = fcntl.fcntl(to_chromium_r, fcntl.F_DUPFD, 10)
      high_w = fcntl.fcntl(from_chromium_w, fcntl.F_DUPFD, 10)
      os.dup2(high_r, 3)
      os.dup2(high_w, 4)

    try:
      self.process = self._start(width, height, descriptors)
    except OSError:
      shutil.rmtree(self._profile, ignore_errors=True)
      raise
    os.close(to_chromium_r)
    os.close(from_chromium_w)
    self._next_id = 0
    self._buffer = b""
    self._session = None
    self._width, self._height = width, height

  def _start(self, width, height, descriptors):
    return subprocess.Popen(
        [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--no-default-browser-check", "--disable-extensions", "--mute-audio",
         "--disable-dev-shm-usage", "--hide-scrollbars", f"--window-size={width},{height}",
         "--force-device-scale-factor=1",
         f"--user-data-dir={self._profile}", "--remote-debugging-pipe", "about:blank"],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        preexec_fn=descriptors, pass_fds=(3, 4), start_new_session=True)

  def stop(self):
    for descriptor in (self._to_chromium, self._from_chromium):
      try:
        os.close(descriptor)
      except OSError:
        pass
    try:
      os.killpg(self.process.pid, signal.SIGTERM)  # Chromium and every process it started
      self.process.wait(timeout=10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
      pass
    try:
      os.killpg(self.process.pid, signal.SIGKILL)
    except ProcessLookupError:
      pass
    self.process.wait()
    shutil.rmtree(self._profile, ignore_errors=True)

  def call(self, method, params=None, timeout=30, session=True):
    self._next_id += 1
    message = {"id": self._next_id, "method": method, "params": params or {}}
    if session and self._session:
      message["sessionId"] = self._session
    try:
      os.write(self._to_chromium, json.dumps(message).encode() + b"\0")
    except OSError as error:
      raise ChromiumFailed(f"Chromium ended (exit code {self.process.poll()})") from error
    deadline = time.monotonic() + timeout
    while True:
      while b"\0" in self._buffer:
        text, self._buffer = self._buffer.split(b"\0", 1)
        answer = json.loads(text)
        if answer.get("id") == self._next_id:
          if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error'].get('message', answer['error'])}")
          return answer.get("result", {})
      left = deadline - time.monotonic()
      if left <= 0:
        raise ChromiumFailed(f"no answer to {method} within {timeout} s")
      readable, _, _ = select.select([self._from_chromium], [], [], left)
      if readable:
        chunk = os.read(self._from_chromium, 1 << 20)
        if not chunk:
          raise ChromiumFailed(f"Chromium ended (exit code {self.process.poll()})")
        self._buffer += chunk

  def attach(self):
    targets = self.call("Target.getTargets", session=False)["targetInfos"]
    page = next(t["targetId"] for t in targets if t["type"] == "page")
    self._session = self.call("Target.attachToTarget", {"targetId": page, "flatten": True},
                              session=False)["sessionId"]
    self.call("Emulation.setDeviceMetricsOverride", {
        "width": self._width, "height": self._height, "deviceScaleFactor": 1, "mobile": False})
    self.call("Page.enable")

  def evaluate(self, expression):
    result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
    return result.get("result", {}).get("value")

  def open(self, url, seconds):
    self.call("Page.navigate", {"url": url})
    deadline = time.monotonic() + seconds
    last = None
    while time.monotonic() < deadline:
      state = self.evaluate(CANVAS_STATE)
      if state and state == last:
        del state["sample"]
        return json.dumps(state)
      last = state
      time.sleep(0.5)
    raise RuntimeError(f"no picture from noVNC within {seconds:g} s "
                       f"(page status: {self.evaluate(PAGE_STATUS)!r})")

  def shot(self, path):
    data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
    with open(path, "wb") as file:
      file.write(base64.b64decode(data))
    return "ok"

  def click(self, x, y):
    for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
      self.call("Input.dispatchMouseEvent", {
          "type": kind, "x": x, "y": y, "button": "none" if kind == "mouseMoved" else "left",
          "buttons": 1 if kind == "mousePressed" else 0, "clickCount": 1})
      time.sleep(0.05)
    return "ok"

  def key(self, name):
    key, code, virtual_key, text = KEYS[name]
    event = {"key": key, "code": code, "windowsVirtualKeyCode": virtual_key,
             "nativeVirtualKeyCode": virtual_key}
    self.call("Input.dispatchKeyEvent", {"type": "keyDown", "text": text, **event})
    time.sleep(0.05)
    self.call("Input.dispatchKeyEvent", {"type": "keyUp", **event})
    return "ok"


def serve(browser):
  for line in sys.stdin:
    words = line.split()
    if not words:
      continue
    command, arguments = words[0], words[1:]
    try:
      if command == "quit":
        return
      if command == "open" and len(arguments) == 2:
        answer = browser.open(arguments[0], float(arguments[1]))
      elif command == "shot" and len(arguments) == 1:
        answer = browser.shot(arguments[0])
      elif command == "click" and len(arguments) == 2:
        answer = browser.click(float(arguments[0]), float(arguments[1]))
      elif command == "key" and len(arguments) == 1 and arguments[0] in KEYS:
        answer = browser.key(arguments[0])
      else:
        answer = f"error: not a command: {line.strip()}"
    except ChromiumFailed:
      raise
    except Exception as error:  # pylint: disable=broad-except
      answer = f"error: {error}"
    print(answer, flush=True)


def main():
  if sys.argv[1:] == ["--check"]:
    width, height = 800, 600
  elif len(sys.argv) == 3 and sys.argv[1].isdigit() and sys.argv[2].isdigit():
    width, height = int(sys.argv[1]), int(sys.argv[2])
  else:
    sys.exit(__doc__.split("\n\n")[1])
  signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # through the finally below
  browser = None
  try:
    try:
      browser = Browser(width, height)
      version = browser.call("Browser.getVersion", session=False, timeout=60)["product"]
      browser.attach()
    except (ChromiumFailed, OSError) as error:
      print(f"browser.py: Chromium ({CHROMIUM}) did not start: {error}", file=sys.stderr)
      return 3
    if sys.argv[1] == "--check":
      print(version)
      return 0
    try:
      serve(browser)
    except ChromiumFailed as error:
      print(f"error: {error}", flush=True)
      return 1
    return 0
  finally:
    if browser:
      browser.stop()


if __name__ == "__main__":
  sys.exit(main())
