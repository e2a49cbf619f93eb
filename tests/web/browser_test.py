#!/usr/bin/python3
"""The service's web page in a real browser: Debian's chromium, headless,
driven through its chromedriver, against velmora --headless --web and
simulated cameras on 127.0.21.x. Exits 77 (skipped) without a browser.

usage: browser_test.py VELMORA CAMSIM
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_test  # noqa: E402  (the profile, cameras and service of the protocol tests)
from web_test import Profile, TIMEOUT, wait_for  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIP = 77

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None


def start_browser(profile_dir, language="en-US"):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--no-first-run", "--disable-background-networking", "--disable-sync",
                "--disable-component-update", "--no-proxy-server",
                "--user-data-dir=" + profile_dir, "--window-size=1400,900",
                "--lang=" + language):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


class BrowserCase(unittest.TestCase):
    """One headless browser for the class, with a fresh profile."""

    @classmethod
    def setUpClass(cls):
        cls.browser_dir = tempfile.mkdtemp(prefix="velmora-browser-")
        cls.driver = start_browser(cls.browser_dir)
        cls.driver.set_page_load_timeout(TIMEOUT)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.browser_dir, ignore_errors=True)

    def open(self, profile, path):
        self.driver.get("http://127.0.0.1:%d%s" % (profile.port, path))

    def cell(self, camera, cls):
        return self.driver.find_element(By.CSS_SELECTOR, "#camera-%d td.%s" % (camera, cls)).text

    def no_alert(self):
        try:
            self.driver.switch_to.alert
        except NoAlertPresentException:
            return
        self.fail("a script of a camera's name ran")


class Cameras(BrowserCase):
    @classmethod
    def setUpClass(cls):
        p = cls.p = Profile()
        try:
            # Five files at the default pacing take a few seconds: long enough
            # for the page's once-a-second refresh to show the bar moving.
            p.camera("127.0.21.20", "--count", "5", "--min-size", "200000", "--max-size", "300000")
            p.camera("127.0.21.21")
            for args in (("cameras", "add-local", "12", "127.0.21.20", "pw"),
                         ("cameras", "add-local", "13", "127.0.21.21", "not-its-pw"),
                         ("cameras", "set", "12", "alias", "<script>alert(1)</script>")):
                r = p.run(*args)
                assert r.returncode == 0, (args, r.stderr)
            p.serve("--web", "127.0.0.1:0")
            super().setUpClass()
        except BaseException:
            p.close()
            raise

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        cls.p.close()

    def test_1_alias_with_markup_shows_as_text(self):
        self.open(self.p, "/")
        self.assertEqual(self.cell(12, "name"), "<script>alert(1)</script>")
        self.no_alert()
        # The script and style sheet loaded, and nothing broke the page's rules.
        errors = [e["message"] for e in self.driver.get_log("browser")
                  if e["level"] == "SEVERE" and "favicon" not in e["message"]]
        self.assertEqual(errors, [])
        self.open(self.p, "/camera/12")
        self.assertEqual(self.driver.find_element(By.TAG_NAME, "h1").text,
                         "<script>alert(1)</script>")
        self.no_alert()

    def test_2_post_without_the_token_is_refused_and_changes_nothing(self):
        self.open(self.p, "/")
        self.driver.execute_script(
            "document.querySelectorAll('input[name=token]').forEach(i => i.remove());")
        self.driver.find_element(By.CSS_SELECTOR, "form[action='/api/sync'] button").click()
        wait_for("the refusal", lambda: "Refused" in self.driver.page_source)
        cameras = self.p.cameras()
        self.assertEqual({c["live"]["state"] for c in cameras.values()}, {"idle"})
        self.assertEqual({c["last_outcome"] for c in cameras.values()}, {None})

    def test_3_sync_now_runs_with_a_moving_bar_to_complete_and_a_reason_for_the_failure(self):
        self.open(self.p, "/")
        self.assertEqual(self.cell(12, "state"), "idle")
        self.driver.find_element(By.CSS_SELECTOR, "form[action='/api/sync'] button").click()
        wait_for("the page again", lambda: self.driver.current_url.endswith("/"))
        read = ("const r = document.getElementById('camera-12');"
                "return [r.querySelector('progress').value,"
                " r.querySelector('td.state').textContent,"
                " r.querySelector('td.outcome').textContent,"
                " document.querySelector('#camera-13 td.outcome').textContent];")
        bars, states, last = set(), set(), []

        def ended():
            bar, state, outcome, failed = last[:] = self.driver.execute_script(read)
            bars.add(bar)
            states.add(state)
            return outcome == "complete" and failed != "no run yet" and failed
        try:
            failed = wait_for("both runs to end on the page", ended)
        except AssertionError as e:
            raise AssertionError("%s; the page showed %s" % (e, last)) from None
        # The page was not reloaded: its script moved the bar.
        self.assertTrue(states & {"waiting", "connecting", "syncing"}, states)
        self.assertTrue([b for b in bars if 0 < b < 100], bars)
        api = self.p.cameras()
        self.assertEqual(api[12]["last_outcome"], "complete")
        self.assertTrue(api[13]["last_error"])
        self.assertEqual(failed, "wrong-password: " + api[13]["last_error"])
        self.no_alert()


    def test_4_chinese_page_refreshed_in_chinese(self):
        wait_for("camera 12's run", lambda: self.p.cameras()[12]["last_outcome"] == "complete")
        self.driver.execute_cdp_cmd("Network.enable", {})
        self.driver.execute_cdp_cmd("Network.setExtraHTTPHeaders",
                                    {"headers": {"Accept-Language": "zh-CN,zh;q=0.9"}})
        try:
            self.open(self.p, "/")
            self.assertEqual(self.driver.find_element(By.TAG_NAME, "html").get_attribute("lang"),
                             "zh-CN")
            # The script writes the state in the page's language, not the JSON's word.
            self.driver.execute_script(
                "document.querySelector('#camera-12 td.state').textContent = 'x';")
            wait_for("the script to write the state again", lambda: self.cell(12, "state") != "x")
            self.assertEqual(self.cell(12, "state"), "同步完成")
        finally:
            self.driver.execute_cdp_cmd("Network.setExtraHTTPHeaders", {"headers": {}})


class SignIn(BrowserCase):
    @classmethod
    def setUpClass(cls):
        p = cls.p = Profile()
        try:
            r = p.run("settings", "web-password", "--password-stdin", stdin="s3cret\n")
            assert r.returncode == 0, r.stderr
            p.serve("--web", "127.0.0.1:0")
            super().setUpClass()
        except BaseException:
            p.close()
            raise

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        cls.p.close()

    def sign_in(self, password):
        field = self.driver.find_element(By.NAME, "password")
        field.clear()
        field.send_keys(password)
        field.submit()

    def test_wrong_password_refused_right_one_lets_in(self):
        self.open(self.p, "/")
        wait_for("the login form", lambda: self.driver.current_url.endswith("/login"))
        self.sign_in("wrong")
        wait_for("the refusal", lambda: "Wrong password." in self.driver.page_source)
        self.assertTrue(self.driver.current_url.endswith("/login"))
        self.assertIsNone(self.driver.get_cookie("velmora_session"))
        self.assertFalse(self.driver.find_elements(By.ID, "cameras"))

        # The pause after a failure refuses even the right password until it
        # has passed; the form says so and is tried again.
        def signed_in():
            if self.driver.find_elements(By.ID, "cameras"):
                return True
            if self.driver.find_elements(By.NAME, "password"):
                time.sleep(0.5)
                self.sign_in("s3cret")
            return False
        wait_for("the right password to be taken", signed_in)
        self.assertIsNotNone(self.driver.get_cookie("velmora_session"))


def browser_missing():
    if webdriver is None:
        return "python3-selenium is not installed"
    for path in (CHROMIUM, CHROMEDRIVER):
        if not os.access(path, os.X_OK):
            return path + " is not installed"
    return None


if __name__ == "__main__":
    missing = browser_missing()
    if missing:
        print("skipped:", missing)
        sys.exit(SKIP)
    web_test.VELMORA, web_test.CAMSIM = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
