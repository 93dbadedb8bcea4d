#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The page of a running corvalind in headless Chromium: how long until it is
fully drawn (tiles, five charts, the day's table and the records), how long a
year takes, and corvalind's resident memory meanwhile.

Usage: page_bench.py URL PID (run by bench_dashboard)."""

import shutil
import statistics
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

LOADS = 5


def verdict(what, figure, unit, goal):
    print("%-48s %10.3f %-3s goal <= %g %s  %s"
          % (what, figure, unit, goal, unit, "met" if figure <= goal else "MISSED"))


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0


def main():
    url, pid = sys.argv[1], int(sys.argv[2])
    peak = [0.0]
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], resident_mb(pid))
            time.sleep(0.05)

    profile = tempfile.mkdtemp(prefix="corvalin-page-bench-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1280,800"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    wait = WebDriverWait(driver, 120)
    before_page = resident_mb(pid)
    threading.Thread(target=sample, daemon=True).start()
    try:
        drawn = []
        for _ in range(LOADS):
            driver.get(url)
            drawn.append(int(wait.until(
                lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-drawn-ms"))))
        verdict("The page fully drawn in Chromium, median of %d" % LOADS,
                statistics.median(drawn), "ms", 1000)
        print("  %-46s %10d ms" % ("the first load (cold)", drawn[0]))
        before = driver.find_element(By.TAG_NAME, "body").get_attribute("data-period-ms")
        driver.find_element(By.CSS_SELECTOR, '[data-period="year"]').click()
        wait.until(lambda d: d.find_element(By.ID, "charts").get_attribute("data-from").endswith("-01-01"))
        year = wait.until(lambda d: (lambda v: v if v != before else None)(
            d.find_element(By.TAG_NAME, "body").get_attribute("data-period-ms")))
        print("  %-46s %10d ms" % ("a year of 7 channels and 5 charts drawn", int(year)))
        done.set()
        verdict("corvalind resident memory, peak meanwhile", peak[0], "MB", 25)
        print("  %-46s %10.1f MB" % ("before the page was asked for", before_page))
    finally:
        done.set()
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
