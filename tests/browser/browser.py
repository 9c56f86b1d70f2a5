#!/usr/bin/env python3
"""browser.py WIDTH HEIGHT URL PNG: headless Chromium (DevTools over a pipe) opens a noVNC address,
waits until the canvas shows one picture of several colours twice, saves the page as PNG and prints
the canvas's X Y WIDTH HEIGHT PIXEL_WIDTH PIXEL_HEIGHT. Exit code 3: Chromium does not start."""
import base64, contextlib, fcntl, itertools, json, os, select, shutil, signal, subprocess, sys
import tempfile, time

CANVAS = """(() => {
  const c = document.querySelector('.noVNC_connected #noVNC_container canvas');
  const p = c?.width && c.height ? c.getContext('2d').getImageData(0, 0, c.width, c.height).data
                                  : [];
  const colours = new Set(), r = c?.getBoundingClientRect();
  let sum = 0;
  for (let i = 0, colour; i < p.length; i += 4 * 97) {
    colours.add(colour = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2]);
    sum = (sum * 31 + colour) % 1000000007;
  }
  return colours.size < 2 ? null : [r.left, r.top, r.width, r.height, c.width, c.height, sum];
})()"""


def main(width, height, url, png):
  signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # through the finally below
  profile = tempfile.mkdtemp(prefix="tgw-chromium-")
  (to_r, to_w), (from_r, from_w) = os.pipe(), os.pipe()

  def descriptors():  # in the child: commands on descriptor 3, answers on 4
    for target, fd in zip((3, 4), [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_r, from_w)]):
      os.dup2(fd, target)

  chromium = subprocess.Popen(
      [os.environ.get("TGW_CHROMIUM", "/usr/bin/chromium"), "--headless=new", "--no-sandbox",
       "--disable-gpu", "--no-first-run", "--disable-extensions", "--disable-dev-shm-usage",
       "--hide-scrollbars", f"--window-size={width},{height}", "--force-device-scale-factor=1",
       f"--user-data-dir={profile}", "--remote-debugging-pipe", "about:blank"],
      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
      preexec_fn=descriptors, pass_fds=(3, 4), start_new_session=True)
  os.close(to_r)
  os.close(from_w)
  ids, unread, session = itertools.count(1), [b""], {}

  def call(method, **params):  # the answer's result; events and other answers are dropped
    message = {"id": next(ids), "method": method, "params": params, **session}
    os.write(to_w, json.dumps(message).encode() + b"\0")
    deadline = time.monotonic() + 60
    while True:
      *answers, unread[0] = unread[0].split(b"\0")
      for answer in (a for a in map(json.loads, answers) if a.get("id") == message["id"]):
        if "error" in answer:
          raise RuntimeError(f"{method}: {answer['error']}")
        return answer["result"]
      ready = select.select([from_r], [], [], max(deadline - time.monotonic(), 0))[0]
      unread[0] += (chunk := os.read(from_r, 1 << 20) if ready else b"")
      if not chunk:
        raise RuntimeError(f"no answer to {method} (Chromium: {chromium.poll()})")

  try:
    try:
      call("Browser.getVersion")
    except (OSError, RuntimeError) as error:
      print(f"browser.py: Chromium did not start: {error}", file=sys.stderr)
      return 3
    page = next(target["targetId"] for target in call("Target.getTargets")["targetInfos"]
                if target["type"] == "page")
    session["sessionId"] = call("Target.attachToTarget", targetId=page, flatten=True)["sessionId"]
    call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1,
         mobile=False)
    call("Page.navigate", url=url)
    last = None
    for _ in range(180):
      canvas = call("Runtime.evaluate", expression=CANVAS, returnByValue=True)["result"]
      if canvas.get("value") and canvas == last:
        with open(png, "wb") as file:
          file.write(base64.b64decode(call("Page.captureScreenshot", format="png")["data"]))
        print(*canvas["value"][:6])
        return 0
      last = canvas
      time.sleep(0.5)
    print("browser.py: no picture from noVNC within 90 s", file=sys.stderr)
    return 1
  finally:
    with contextlib.suppress(ProcessLookupError):
      os.killpg(chromium.pid, signal.SIGKILL)  # Chromium and every process it started
    chromium.wait()
    shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
  sys.exit(main(*map(int, sys.argv[1:3]), *sys.argv[3:]) if len(sys.argv) == 5 else __doc__)
