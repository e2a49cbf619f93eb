#!/usr/bin/python3
"""The service's web page under load: 100 simulated cameras on
127.0.22.1-100 (4 downloading at a time), 20 clients each asking for
/api/cameras and for the style sheet (a static file of the same server, the
reference) once a second. Prints the answer times (median, 99th percentile)
of both and their ratio, and what the page costs when no client is there:
resident memory and CPU time of the idle service with the page and without.

usage: bench/web_bench/run.py BUILD_DIR [SECONDS]
"""
import http.client
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

CAMERAS, CLIENTS = 100, 20


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p / 100))]


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def main():
    build = sys.argv[1]
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    velmora = build + "/app/velmora/velmora"
    camsim = build + "/testing/camsim/camsim"
    work = tempfile.TemporaryDirectory()
    env = dict(os.environ, XDG_DATA_HOME=work.name, XDG_RUNTIME_DIR=work.name + "/run",
               LANG="C.UTF-8")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    procs = []
    try:
        for i in range(1, CAMERAS + 1):
            procs.append(subprocess.Popen(
                [camsim, "--address", "127.0.22.%d" % i, "--port", "9996", "--password", "pw",
                 "--count", "3", "--min-size", "2000000", "--max-size", "3000000", "--quiet"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            subprocess.run([velmora, "cameras", "add-local", str(i), "127.0.22.%d" % i, "pw"],
                           env=env, check=True, stdout=subprocess.DEVNULL)

        def idle(args):
            service = subprocess.Popen([velmora, "--headless", *args], env=env, text=True,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            port = None
            web = args[-1] != "off"
            for line in service.stdout:
                m = re.search(r"Web page at http://127\.0\.0\.1:(\d+)/", line)
                if m:
                    port = int(m.group(1))
                    break
                if not web and ("next automatic run" in line or "synchronisation is off" in line):
                    break
            # The log keeps coming; a full pipe would stall the service.
            threading.Thread(target=lambda: [None for _ in service.stdout], daemon=True).start()
            time.sleep(2)
            rss, ticks = rss_kb(service.pid), cpu_ticks(service.pid)
            time.sleep(10)
            return service, port, rss, cpu_ticks(service.pid) - ticks

        service, _, rss_off, cpu_off = idle(["--web", "off"])
        service.send_signal(signal.SIGTERM)
        service.wait()
        service, port, rss_on, cpu_on = idle(["--web", "127.0.0.1:0"])
        procs.append(service)

        def request(conn, path, method="GET", headers=None, body=None):
            t0 = time.perf_counter()
            conn.request(method, path, body=body, headers=headers or {})
            r = conn.getresponse()
            data = r.read()
            return time.perf_counter() - t0, r, data

        conn = http.client.HTTPConnection("127.0.0.1", port)
        _, r, page = request(conn, "/")
        cookie = r.getheader("Set-Cookie").split(";")[0]
        token = re.search(rb'name="token" value="([^"]+)"', page).group(1).decode()
        _, r, _ = request(conn, "/api/sync", "POST", {"Cookie": cookie, "X-Velmora-Token": token})
        assert r.status == 200, r.status

        api, static, first = [], [], []
        lock = threading.Lock()
        stop = time.monotonic() + seconds

        def client(n):
            c = http.client.HTTPConnection("127.0.0.1", port)
            time.sleep(n / CLIENTS)  # spread over the second, as real clients are
            t, _, _ = request(c, "/")  # a page opened while the others poll
            mine_api, mine_static = [], []
            while time.monotonic() < stop:
                due = time.monotonic() + 1
                t_api, r_api, body = request(c, "/api/cameras")
                assert r_api.status == 200 and len(json.loads(body)) == CAMERAS
                t_static, _, _ = request(c, "/static/velmora.css")
                mine_api.append(t_api)
                mine_static.append(t_static)
                time.sleep(max(0, due - time.monotonic()))
            with lock:
                first.append(t)
                api.extend(mine_api)
                static.extend(mine_static)

        # 20 pages opened at the same moment, queued behind each other.
        burst = []

        def opener():
            c = http.client.HTTPConnection("127.0.0.1", port)
            t, _, _ = request(c, "/")
            with lock:
                burst.append(t)
        openers = [threading.Thread(target=opener) for _ in range(CLIENTS)]
        for t in openers:
            t.start()
        for t in openers:
            t.join()

        threads = [threading.Thread(target=client, args=(n,)) for n in range(CLIENTS)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        busy = subprocess.run([velmora, "status", "--json"], env=env, capture_output=True,
                              text=True).stdout.count('"state":"syncing"')
        rss_after = rss_kb(service.pid)

        ms = lambda v: v * 1000
        print("web_bench: %d cameras (%d downloading at the end), %d clients, %d s, %d answers"
              % (CAMERAS, busy, CLIENTS, seconds, len(api)))
        print("  /api/cameras        median %6.2f ms  p99 %6.2f ms" %
              (ms(percentile(api, 50)), ms(percentile(api, 99))))
        print("  static file (ref)   median %6.2f ms  p99 %6.2f ms" %
              (ms(percentile(static, 50)), ms(percentile(static, 99))))
        print("  first page load     p99 %6.2f ms (%d loads while the others poll)"
              % (ms(percentile(first, 99)), len(first)))
        print("  20 pages opened at the same moment: slowest %6.2f ms" % ms(max(burst)))
        print("  ratio api/static    median %.1f  p99 %.1f" %
              (percentile(api, 50) / percentile(static, 50),
               percentile(api, 99) / percentile(static, 99)))
        print("  idle service, RSS   page off %d KB, on %d KB (+%d KB); after the load %d KB" %
              (rss_off, rss_on, rss_on - rss_off, rss_after))
        print("  idle CPU over 10 s  page off %d ticks, on without clients %d ticks" %
              (cpu_off, cpu_on))
    finally:
        for p in reversed(procs):
            p.send_signal(signal.SIGTERM)
        for p in procs:
            try:
                p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                p.kill()
        work.cleanup()


if __name__ == "__main__":
    main()
