#!/usr/bin/env python3
"""Drives a headless Chromium over its DevTools pipe (no extra packages):
opens one page of the site, notes which files it loaded, types into the
search box key by key, presses the given keys in the results, follows the
first result, and prints what it saw as JSON; screenshots of the page, the
search and the result's page go to SCREENSHOT_FOLDER.

    site_browser.py SITE_FOLDER PAGE QUERY SCREENSHOT_FOLDER [KEY,KEY,...]

KEY is Down, Up or Escape.

    site_browser.py --links SITE_FOLDER PAGE SCREENSHOT_FOLDER

instead follows every link of the page's main part in turn and prints, for
each, its text and where it led: the page's title, and the heading of the
element its fragment names (null when no element has that id).
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
        self.requested = []  # the URLs the page asked for, in order

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
        message = json.loads(message)
        if message.get("method") == "Network.requestWillBeSent":
            self.requested.append(message["params"]["request"]["url"])
        return message

    def open_page(self):
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.send("Target.attachToTarget",
                             {"targetId": target["targetId"], "flatten": True}, session=False)
        self.session = attached["sessionId"]
        self.send("Page.enable")
        self.send("Network.enable")
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

    KEYS = {"Down": ("ArrowDown", 40), "Up": ("ArrowUp", 38), "Escape": ("Escape", 27)}

    def press(self, name):
        key, code = self.KEYS[name]
        event = {"key": key, "code": key, "windowsVirtualKeyCode": code}
        self.send("Input.dispatchKeyEvent", dict(event, type="rawKeyDown"))
        self.send("Input.dispatchKeyEvent", dict(event, type="keyUp"))

    def wait_for(self, expression, seconds=20):
        for _ in range(int(seconds / 0.05)):
            if self.evaluate(expression):
                return True
            time.sleep(0.05)
        return False

    def screenshot(self, path):
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))


FOCUSED = ("document.activeElement.id === 'site-search' ? 'search' : "
           "(document.activeElement.getAttribute('href') || document.activeElement.tagName)")


def follow_links():
    site, page, shots = sys.argv[2:5]
    browser = Browser()
    try:
        browser.open_page()
        start = "file://" + os.path.abspath(os.path.join(site, page))
        browser.go(start)
        browser.screenshot(os.path.join(shots, "links.png"))
        links = browser.evaluate(
            "Array.from(document.querySelectorAll('main a')).map("
            "a => ({text: a.textContent, href: a.getAttribute('href')}))")
        for link in links:
            # Fresh each time: a link within one page would not load it again.
            browser.go("about:blank")
            browser.go("file://" + os.path.abspath(os.path.join(site, link["href"])))
            link["led"] = browser.evaluate(
                "(() => { const id = decodeURIComponent(location.hash.slice(1));"
                " const at = id ? document.getElementById(id) : null;"
                " return {page: document.querySelector('h1').textContent,"
                " heading: at ? (at.querySelector('h3') || at).textContent.trim() : null,"
                " isTarget: !!at && at.matches(':target')}; })()")
        print(json.dumps(links))
    finally:
        browser.close()


def main():
    if sys.argv[1] == "--links":
        follow_links()
        return
    site, page, query, shots = sys.argv[1:5]
    keys = [k for k in (sys.argv[5] if len(sys.argv) > 5 else "").split(",") if k]
    browser = Browser()
    try:
        browser.open_page()
        browser.go("file://" + os.path.abspath(os.path.join(site, page)))
        seen = {"loaded": [url.split("/")[-1] for url in browser.requested],
                "indexLoaded": browser.evaluate("window.inkwrightIndex !== undefined")}
        browser.screenshot(os.path.join(shots, "page.png"))
        browser.evaluate("document.getElementById('site-search').focus()")
        browser.type(query)
        # The index loads on the first key; the results follow it.
        browser.wait_for("!!document.querySelector('#site-results a, #site-results li.more') "
                         "|| /Nothing|could not/.test(document.getElementById('site-results')"
                         ".textContent)")
        seen["loadedAfterTyping"] = [url.split("/")[-1] for url in browser.requested]
        seen["results"] = browser.evaluate(
            "Array.from(document.querySelectorAll('#site-results a')).map("
            "a => ({text: a.firstChild.textContent, href: a.getAttribute('href')}))")
        seen["notes"] = browser.evaluate(
            "Array.from(document.querySelectorAll('#site-results li:not(:has(a))')).map("
            "li => li.textContent)")
        browser.screenshot(os.path.join(shots, "search.png"))
        seen["focus"] = []
        for key in keys:
            browser.press(key)
            seen["focus"].append(browser.evaluate(FOCUSED))
        seen["unit"] = None
        if seen["results"]:
            target = os.path.abspath(os.path.join(site, seen["results"][0]["href"]))
            browser.go("file://" + target)
            seen["unit"] = browser.evaluate(
                "({title: document.querySelector('h1').textContent,"
                " target: (document.querySelector(':target pre') || {}).textContent || null})")
            browser.screenshot(os.path.join(shots, "unit.png"))
        print(json.dumps(seen))
    finally:
        browser.close()


if __name__ == "__main__":
    main()
