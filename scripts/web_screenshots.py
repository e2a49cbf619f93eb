#!/usr/bin/python3
"""Takes the web page's screenshots for scripts/web-screenshots.sh, with the
service, cameras and browser of the browser tests.

usage: web_screenshots.py OUT_DIR VELMORA CAMSIM
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import web_test  # noqa: E402
from browser_test import start_browser  # noqa: E402
from web_test import Profile, session_of, token_of, wait_for  # noqa: E402

LANGUAGES = {"en": "en-US", "zh": "zh-CN"}


def shoot(out, name, profile, path, width, ready=None):
    for suffix, language in LANGUAGES.items():
        folder = tempfile.mkdtemp(prefix="velmora-shots-")
        driver = start_browser(folder, language)
        try:
            driver.set_window_size(width, 900)
            driver.get("http://127.0.0.1:%d%s" % (profile.port, path))
            if ready:
                wait_for(name + " to be ready", lambda: ready(driver))
            # Exactly as tall as the page: nothing cut off, no empty space.
            height = driver.execute_script(
                "return Math.ceil(document.body.getBoundingClientRect().bottom) + 16;")
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
            file = os.path.join(out, "%s-%s.png" % (name, suffix))
            driver.save_screenshot(file)
            print("saved", file)
        finally:
            driver.quit()
            shutil.rmtree(folder, ignore_errors=True)
    shutil.copyfile(os.path.join(out, name + "-en.png"), os.path.join(out, name + ".png"))


def main(out, velmora, camsim):
    web_test.VELMORA, web_test.CAMSIM = velmora, camsim
    p = Profile()
    try:
        # A long download, a short one that completes, one with the wrong password.
        p.camera("127.0.23.10", "--count", "40", "--min-size", "400000", "--max-size", "900000")
        p.camera("127.0.23.11", "--count", "3", "--min-size", "100000", "--max-size", "200000")
        p.camera("127.0.23.12")
        for args in (("settings", "concurrency", "3"),
                     ("cameras", "add-local", "12", "127.0.23.10", "pw"),
                     ("cameras", "add-local", "13", "127.0.23.11", "pw"),
                     ("cameras", "add-local", "14", "127.0.23.12", "not-its-pw"),
                     ("cameras", "set", "12", "alias", "Front door"),
                     ("cameras", "set", "13", "alias", "Garage"),
                     ("cameras", "set", "14", "alias", "Garden")):
            r = p.run(*args)
            assert r.returncode == 0, (args, r.stderr)
        p.serve("--web", "127.0.0.1:0")
        r, html = p.request("GET", "/")
        r, _ = p.request("POST", "/api/sync", body="token=" + token_of(html),
                         headers={"Cookie": session_of(r)})
        assert r.status == 303, r.status
        wait_for("the short run to complete and the failure", lambda: (
            lambda c: c[13]["last_outcome"] == "complete" and c[14]["last_error"]
            and c[12]["live"]["percent"] > 0)(p.cameras()))

        def moving(driver):
            return driver.execute_script(
                "const b = document.querySelector('#camera-12 progress');"
                "return b && b.value > 0 && b.value < 100;")
        shoot(out, "web-list", p, "/", 1400, moving)
        shoot(out, "web-camera", p, "/camera/13", 1400)
    finally:
        p.close()

    p = Profile()
    try:
        r = p.run("settings", "web-password", "--password-stdin", stdin="s3cret\n")
        assert r.returncode == 0, r.stderr
        p.serve("--web", "127.0.0.1:0")
        shoot(out, "web-login", p, "/login", 640)
    finally:
        p.close()


if __name__ == "__main__":
    main(*sys.argv[1:4])
