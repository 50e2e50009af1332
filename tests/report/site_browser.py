#!/usr/bin/env python3
"""Drives a headless Chromium over its DevTools pipe (no extra packages):
opens the site's index page, types into the search box key by key, prints
what the results list shows as JSON, and saves screenshots of the index page
and of one unit page.

    site_browser.py SITE_FOLDER QUERY SCREENSHOT_FOLDER
"""
import base64, json, os, shutil, subprocess, sys, tempfile, time


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="inkwright-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # The browser reads commands on fd 3 and answers on fd 4.
        self.process = subprocess.Popen(
            ["sh", "-c", f'exec "$0" "$@" 3<&{to_browser_r} 4>&{from_browser_w}',
             "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--user-data-dir=" + self.profile, "--remote-debugging-pipe",
             "about:blank"],
            pass_fds=(to_browser_r, from_browser_w), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.session = None

    def close(self):
        try:
            self.process.terminate()
            self.process.wait(timeout=10)
        except Exception:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)

    def send(self, method, params=None, session=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        while True:
            reply = self.read()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})

    def read(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def open_page(self):
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.send("Target.attachToTarget",
                             {"targetId": target["targetId"], "flatten": True}, session=False)
        self.session = attached["sessionId"]
        self.send("Page.enable")
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": 1000, "height": 800, "deviceScaleFactor": 1, "mobile": False})

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        return result.get("result", {}).get("value")

    def go(self, url):
        self.send("Page.navigate", {"url": url})
        for _ in range(200):
            if self.evaluate("document.readyState") == "complete":
                return
            time.sleep(0.05)
        raise RuntimeError("the page did not load: " + url)

    def type(self, text):
        for char in text:
            self.send("Input.dispatchKeyEvent", {"type": "keyDown", "text": char, "key": char})
            self.send("Input.dispatchKeyEvent", {"type": "keyUp", "key": char})

    def screenshot(self, path):
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))


def main():
    site, query, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    index = "file://" + os.path.abspath(os.path.join(site, "index.html"))
    browser = Browser()
    try:
        browser.open_page()
        browser.go(index)
        browser.screenshot(os.path.join(shots, "index.png"))
        browser.evaluate("document.getElementById('search').focus()")
        browser.type(query)
        time.sleep(0.2)
        results = browser.evaluate(
            "Array.from(document.querySelectorAll('#results a')).map("
            "a => ({text: a.firstChild.textContent, href: a.getAttribute('href')}))")
        browser.screenshot(os.path.join(shots, "search.png"))
        unit = None
        if results:
            target = os.path.abspath(os.path.join(site, results[0]["href"]))
            browser.go("file://" + target)
            unit = browser.evaluate(
                "({title: document.querySelector('h1').textContent,"
                " target: (document.querySelector(':target pre') || {}).textContent || null})")
            browser.screenshot(os.path.join(shots, "unit.png"))
        print(json.dumps({"results": results, "unit": unit}))
    finally:
        browser.close()


if __name__ == "__main__":
    main()
