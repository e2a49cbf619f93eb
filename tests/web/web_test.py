#!/usr/bin/python3
"""The service's web page from the outside: velmora --headless --web on a
fresh profile against simulated cameras on 127.0.21.x, over real sockets.

usage: web_test.py VELMORA CAMSIM
"""
import http.client
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from prometheus_client.parser import text_string_to_metric_families

VELMORA = CAMSIM = None
TIMEOUT = 60  # seconds; generous: only a fault makes a test wait this long


def wait_for(what, predicate, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Profile:
    """A fresh data and runtime folder, the cameras and a running service."""

    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.env = dict(os.environ, XDG_DATA_HOME=self.dir.name + "/data",
                        XDG_RUNTIME_DIR=self.dir.name + "/run", LANG="C.UTF-8", LANGUAGE="")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.procs = []
        self.port = None

    def run(self, *args, stdin=None):
        return subprocess.run([VELMORA, *args], env=self.env, input=stdin, capture_output=True,
                              text=True, timeout=TIMEOUT)

    def camera(self, address, *extra):
        self.procs.append(subprocess.Popen(
            [CAMSIM, "--address", address, "--port", "9996", "--password", "pw", "--quiet",
             *extra], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def serve(self, *args):
        service = subprocess.Popen([VELMORA, "--headless", *args], env=self.env, text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.procs.append(service)
        for line in service.stdout:
            m = re.search(r"Web page at http://127\.0\.0\.1:(\d+)/", line)
            if m:
                self.port = int(m.group(1))
                return
        raise AssertionError("the service said nowhere where its page is")

    def request(self, method, path, body=None, headers=None):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=TIMEOUT)
        h = {"Host": "127.0.0.1:%d" % self.port}
        if body is not None:
            h["Content-Type"] = "application/x-www-form-urlencoded"
        h.update(headers or {})
        c.request(method, path, body=body, headers=h)
        r = c.getresponse()
        data = r.read().decode()
        c.close()
        return r, data

    def cameras(self, cookie=None):
        r, data = self.request("GET", "/api/cameras",
                               headers={"Cookie": cookie} if cookie else None)
        assert r.status == 200, (r.status, data)
        return {c["id"]: c for c in json.loads(data)}

    def close(self):
        for p in reversed(self.procs):
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
            if p.stdout:
                p.stdout.close()
        self.dir.cleanup()


def session_of(response):
    cookie = response.getheader("Set-Cookie") or ""
    return cookie.split(";")[0]


def token_of(html):
    return re.search(r'name="token" value="([^"]+)"', html).group(1)


class Refusal(unittest.TestCase):
    def test_non_loopback_without_password_refused_before_anything_starts(self):
        p = Profile()
        try:
            r = p.run("--headless", "--web", "0.0.0.0:0")
            self.assertEqual(r.returncode, 2)
            self.assertIn("velmora settings web-password", r.stderr)
            self.assertNotIn("Velmora headless", r.stdout)  # the engine never started
            self.assertFalse(os.listdir(p.env["XDG_RUNTIME_DIR"]))  # nor took its lock
            # The stored setting is refused the same way; --web off overrides it.
            self.assertEqual(p.run("settings", "web", "0.0.0.0:8080").returncode, 0)
            self.assertEqual(p.run("--headless").returncode, 2)
            self.assertEqual(p.run("--headless", "--web", "10.1:80").returncode, 2)
            self.assertEqual(p.run("settings", "web", "8080x").returncode, 2)
        finally:
            p.close()


class Service(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        p = cls.p = Profile()
        p.camera("127.0.21.10", "--count", "5", "--min-size", "200000", "--max-size", "300000")
        p.camera("127.0.21.11")
        assert p.run("cameras", "add-local", "12", "127.0.21.10", "pw").returncode == 0
        assert p.run("cameras", "add-local", "13", "127.0.21.11", "Xq7-secret13").returncode == 0
        assert p.run("cameras", "set", "12", "alias", "<script>alert(1)</script>").returncode == 0
        p.serve("--web", "127.0.0.1:0")

    @classmethod
    def tearDownClass(cls):
        cls.p.close()

    def test_1_headers_escaping_and_no_inline_script(self):
        for path in ("/", "/camera/12", "/nowhere", "/api/cameras", "/static/velmora.js",
                     "/static/velmora.css"):
            r, html = self.p.request("GET", path)
            self.assertEqual(r.status, 404 if path == "/nowhere" else 200, path)
            self.assertIn("default-src 'self'", r.getheader("Content-Security-Policy"), path)
            self.assertEqual(r.getheader("X-Frame-Options"), "DENY", path)
            self.assertEqual(r.getheader("X-Content-Type-Options"), "nosniff", path)
        r, html = self.p.request("GET", "/")
        self.assertIn("&lt;script&gt;alert(1)&lt;/script&gt;", html)
        self.assertNotIn("<script>alert", html)
        self.assertEqual(re.findall(r"<script(?![^>]*\bsrc=)", html), [])
        self.assertIn("<progress", html)
        cookie = r.getheader("Set-Cookie")
        self.assertIn("HttpOnly", cookie)
        self.assertIn("SameSite=Strict", cookie)
        # A name a resolver could point here from elsewhere is not served.
        r, _ = self.p.request("GET", "/api/cameras", headers={"Host": "evil.example"})
        self.assertEqual(r.status, 403)

    def test_1_page_follows_the_browsers_language(self):
        for accept, word, lang in (("zh-CN,zh;q=0.9,en;q=0.8", "立即同步全部", "zh-CN"),
                                   ("en-US,en;q=0.9,zh;q=0.8", "Sync all now", "en"),
                                   (None, "Sync all now", "en")):
            _, html = self.p.request("GET", "/", headers={"Accept-Language": accept} if accept else None)
            self.assertIn(word, html, accept)
            self.assertIn('<html lang="%s">' % lang, html, accept)
        # The states too, in the cells and for the script that refreshes them.
        _, html = self.p.request("GET", "/", headers={"Accept-Language": "zh"})
        self.assertIn('<td class="state">空闲</td>', html)
        self.assertIn("&quot;syncing&quot;:&quot;正在同步&quot;", html)
        r, text = self.p.request("POST", "/api/sync", body="", headers={"Accept-Language": "zh"})
        self.assertEqual(r.status, 403)
        self.assertIn("已拒绝", text)
        # The JSON stays in its machine words whatever the language.
        _, data = self.p.request("GET", "/api/cameras", headers={"Accept-Language": "zh"})
        self.assertEqual(json.loads(data), list(self.p.cameras().values()))

    def test_2_api_has_the_keys_of_status_json(self):
        status = self.p.run("status", "--json")
        self.assertEqual(status.returncode, 0, status.stderr)
        lines = [json.loads(l) for l in status.stdout.splitlines()]
        cli = {o["id"]: o for o in lines if o["type"] == "camera"}
        api = self.p.cameras()
        self.assertEqual(set(api), {12, 13})
        for cid in api:
            self.assertEqual(set(api[cid]), set(cli[cid]), cid)
            self.assertEqual(set(api[cid]["live"]), set(cli[cid]["live"]), cid)
        self.assertEqual(api[12]["alias"], "<script>alert(1)</script>")
        r, _ = self.p.request("GET", "/api/camera/999")
        self.assertEqual(r.status, 404)

    def test_3_actions_need_the_session_token(self):
        r, _ = self.p.request("POST", "/api/sync", body="")
        self.assertEqual(r.status, 403)
        r, html = self.p.request("GET", "/")
        cookie, token = session_of(r), token_of(html)
        r, _ = self.p.request("POST", "/api/sync", body="token=x" + token[1:],
                              headers={"Cookie": cookie})
        self.assertEqual(r.status, 403)
        # Another session's token is no good either.
        r2, html2 = self.p.request("GET", "/")
        r, _ = self.p.request("POST", "/api/sync", body="token=" + token_of(html2),
                              headers={"Cookie": cookie})
        self.assertEqual(r.status, 403)
        self.assertEqual({c["live"]["state"] for c in self.p.cameras().values()}, {"idle"})

        r, _ = self.p.request("POST", "/api/sync", body="token=" + token,
                              headers={"Cookie": cookie})
        self.assertEqual(r.status, 303)
        seen = set()

        def ended():
            cams = self.p.cameras()
            seen.add(cams[12]["live"]["percent"])
            return cams[12]["last_outcome"] == "complete" and cams[13]["last_error"] and cams
        cams = wait_for("both runs to end", ended)
        self.assertTrue(any(0 < percent < 100 for percent in seen), seen)  # the bar moved
        self.assertEqual(cams[13]["last_outcome"], "wrong-password")
        _, html = self.p.request("GET", "/")
        self.assertIn(cams[13]["last_error"], html)  # the failed camera's reason
        r, data = self.p.request("GET", "/api/camera/12")
        runs = json.loads(data)["runs"]
        self.assertEqual(len(runs), 1)
        self.assertEqual(runs[0]["fetched"], 5)
        _, html = self.p.request("GET", "/camera/12")
        self.assertIn("<td>complete</td>", html)

    def test_4_metrics_parse_as_prometheus_text(self):
        wait_for("camera 12's run", lambda: self.p.cameras()[12]["last_outcome"] == "complete")
        r, text = self.p.request("GET", "/metrics")
        self.assertTrue(r.getheader("Content-Type").startswith("text/plain; version=0.0.4"))
        families = {f.name: f for f in text_string_to_metric_families(text)}
        for name in ("velmora_camera_last_success_timestamp_seconds",
                     "velmora_camera_last_outcome", "velmora_camera_downloaded_bytes",
                     "velmora_camera_downloaded_files", "velmora_camera_failures",
                     "velmora_camera_running", "velmora_download_folder_free_bytes",
                     "velmora_disk_guard_bytes", "velmora_build_info",
                     "velmora_start_time_seconds"):
            self.assertIn(name, families)
        self.assertEqual(families["velmora_camera_downloaded_files"].type, "counter")

        def value(sample, **labels):
            family = re.sub("_total$", "", sample)
            for s in families[family].samples:
                if s.name == sample and all(s.labels.get(k) == v for k, v in labels.items()):
                    return s.value
            return None
        self.assertGreater(value("velmora_camera_last_success_timestamp_seconds", camera="12"), 0)
        self.assertEqual(value("velmora_camera_last_success_timestamp_seconds", camera="13"), 0)
        self.assertEqual(value("velmora_camera_downloaded_files_total", camera="12"), 5)
        self.assertGreater(value("velmora_camera_downloaded_bytes_total", camera="12"), 0)
        self.assertGreaterEqual(value("velmora_camera_failures_total", camera="13"), 1)
        self.assertEqual(value("velmora_camera_last_outcome", camera="12", outcome="complete"), 1)
        self.assertEqual(value("velmora_camera_last_outcome", camera="13", outcome="complete"), 0)
        self.assertEqual(value("velmora_camera_info", camera="12")
                         and families["velmora_camera_info"].samples[0].labels["alias"],
                         "<script>alert(1)</script>")
        self.assertEqual(len(families["velmora_build_info"].samples), 1)

    def test_6_card_versus_disk_asked_on_demand(self):
        wait_for("camera 12's run", lambda: self.p.cameras()[12]["last_outcome"] == "complete")
        r, html = self.p.request("GET", "/camera/12/card")
        self.assertEqual(r.status, 200)
        self.assertNotIn('id="card"', html)  # nothing asked yet
        cookie, token = session_of(r), token_of(html)
        r, _ = self.p.request("POST", "/camera/12/card", body="")
        self.assertEqual(r.status, 403)
        for cid in (12, 13):
            r, _ = self.p.request("POST", "/camera/%d/card" % cid, body="token=" + token,
                                  headers={"Cookie": cookie})
            self.assertEqual((r.status, r.getheader("Location")), (303, "/camera/%d/card" % cid))

        def answered(cid):
            _, html = self.p.request("GET", "/camera/%d/card" % cid)
            return 'http-equiv="refresh"' not in html and html
        html = wait_for("the card's list", lambda: answered(12))
        rows = re.findall(r'<tr class="([a-z-]+)"><td>(REC_\d+\.avi)</td>', html)
        self.assertEqual(len(rows), 5, html)
        self.assertEqual({state for state, _ in rows}, {"on-disk"})  # all fetched by the run
        self.assertIn("5 recordings on the card; 0 to download", html)
        _, data = self.p.request("GET", "/api/camera/12/card")
        api = json.loads(data)
        cli = [json.loads(l) for l in self.p.run("cameras", "recordings", "12", "--json")
               .stdout.splitlines()]
        self.assertEqual(api["recordings"], [o for o in cli if o["type"] == "recording"])
        self.assertEqual(api["summary"], cli[-1])
        self.assertEqual((api["asking"], api["failure"]), (False, None))
        # The command line's own answer for the camera with the wrong password.
        html = wait_for("the refusal", lambda: answered(13))
        self.assertIn('class="error"', html)
        self.assertNotIn("Xq7-secret13", html)

    def test_5_no_password_in_any_answer_and_the_settings_shown(self):
        for path in ("/", "/camera/13", "/api/cameras", "/api/camera/13", "/metrics"):
            _, body = self.p.request("GET", path)
            self.assertNotIn("Xq7-secret13", body, path)
        _, html = self.p.request("GET", "/")
        settings = re.search(r'<table id="settings">(.*?)</table>', html, re.S).group(1)
        self.assertIn("<th>Download folder</th><td>%s/" % self.p.env["XDG_DATA_HOME"], settings)
        self.assertIn("<th>Speed limit per camera</th><td>256 KiB/s</td>", settings)
        self.assertNotIn("<form", settings)  # shown, not changed here


class Login(unittest.TestCase):
    def test_login_session_and_actions(self):
        p = Profile()
        try:
            r = p.run("settings", "web-password", "--password-stdin", stdin="s3cret\n")
            self.assertEqual(r.returncode, 0, r.stderr)
            stored = p.env["XDG_DATA_HOME"] + "/OV/QTX/VelmoraWeb.txt"
            self.assertEqual(os.stat(stored).st_mode & 0o777, 0o600)
            with open(stored) as f:
                self.assertNotIn("s3cret", f.read())
            p.serve("--web", "127.0.0.1:0")

            r, _ = p.request("GET", "/")
            self.assertEqual((r.status, r.getheader("Location")), (303, "/login"))
            r, _ = p.request("GET", "/api/cameras")
            self.assertEqual(r.status, 401)
            r, html = p.request("POST", "/login", body="password=wrong")
            self.assertEqual(r.status, 403)
            self.assertIsNone(r.getheader("Set-Cookie"))
            # After a failure even the right password waits its turn (429; the
            # pause itself is timed in the unit tests).
            r = wait_for("the pause after a wrong password to pass",
                         lambda: (lambda a: a if a[0].status != 429 else None)(
                             p.request("POST", "/login", body="password=s3cret")))[0]
            self.assertEqual(r.status, 303)
            cookie = session_of(r)
            self.assertEqual(p.cameras(cookie), {})
            # A cookie signed by nobody is refused.
            forged = cookie[:-3] + ("AAA" if not cookie.endswith("AAA") else "BBB")
            r, _ = p.request("GET", "/api/cameras", headers={"Cookie": forged})
            self.assertEqual(r.status, 401)
            _, html = p.request("GET", "/", headers={"Cookie": cookie})
            r, _ = p.request("POST", "/api/sync",
                             headers={"Cookie": cookie, "X-Velmora-Token": token_of(html)})
            self.assertEqual(r.status, 200)
            # Monitoring signs in with basic authentication.
            import base64
            basic = "Basic " + base64.b64encode(b"prometheus:s3cret").decode()
            r, _ = p.request("GET", "/metrics", headers={"Authorization": basic})
            self.assertEqual(r.status, 200)
        finally:
            p.close()


if __name__ == "__main__":
    VELMORA, CAMSIM = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
