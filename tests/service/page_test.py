#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""corvalind's page in a real browser: headless Chromium driven by Selenium
against `corvalind --simulate --http 127.0.0.1:0`, started here and stopped
after. The tiles show the archive's latest values, the charts have drawn
points, "Week" shows Monday to Sunday, a phone's width has one column, the
unit is remembered, a stopped logger is said, and the console stays clean.

Usage: page_test.py CORVALIND CORVALIN_CLI [--screenshots DIR]
Exit 77 (skipped) where Chromium, its driver or Selenium are missing."""

import argparse
import datetime
import json
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# Generous bounds: a slow machine makes the test slower, never red.
BOUND = 60

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.common.exceptions import StaleElementReferenceException
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("python3-selenium is missing: skipped")
    sys.exit(77)


class Logger:
    """corvalind on the simulated station, its page on a free loopback port."""

    def __init__(self, corvalind, cli, folder):
        # A card made while CH2 had its sensor: the logger finds its past there.
        card = os.path.join(folder, "card")
        subprocess.run([cli, "--simulate", "--sim-card", card, "--sim-sensor", "2=19.5,55", "status"],
                       check=True, stdout=subprocess.DEVNULL, timeout=BOUND)
        self.lines = []
        self.port = None
        self.seen_port = threading.Event()
        self.process = subprocess.Popen(
            [corvalind, "--simulate", "--sim-card", card, "--data-dir", folder, "--interval", "20",
             "--sim-sensor", "1=21.5,40", "--sim-sensor", "2=none", "--sim-sensor", "3=-3.2,80",
             "--http", "127.0.0.1:0"],
            stderr=subprocess.PIPE, text=True)
        threading.Thread(target=self.read_log, daemon=True).start()
        if not self.seen_port.wait(BOUND):
            raise AssertionError("corvalind did not say where its page is:\n" + "".join(self.lines))

    def read_log(self):
        for line in self.process.stderr:
            self.lines.append(line)
            found = re.search(r"The page on http://127\.0\.0\.1:(\d+)/", line)
            if found:
                self.port = int(found.group(1))
                self.seen_port.set()

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.port, path)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(BOUND)


def wait_for(what, condition, bound=BOUND):
    deadline = time.monotonic() + bound
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("waited %d s for %s" % (bound, what))
        time.sleep(0.2)


def current(logger):
    with urllib.request.urlopen(logger.url("api/v1/current"), timeout=BOUND) as answer:
        return json.load(answer)


def latest_rows(folder):
    """The newest live row of each channel, straight from archive.db."""
    with sqlite3.connect("file:%s/archive.db?mode=ro" % folder, uri=True) as db:
        return {channel: (temperature, humidity) for channel, temperature, humidity in db.execute(
            "SELECT channel, temperature, humidity FROM readings r WHERE source = 'live' AND "
            "time = (SELECT max(time) FROM readings WHERE channel = r.channel AND source = 'live')")}


def browser(folder):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + folder, "--window-size=1280,800"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


# The page rebuilds its tiles on every refresh, so they are read in one
# script run: an element found a moment earlier may already be gone.
TILES = """
return Array.from(document.querySelectorAll('.tile')).map(t => ({
    channel: Number(t.dataset.channel), state: t.dataset.state, text: t.innerText,
    values: Object.fromEntries(Array.from(t.querySelectorAll('[data-value]'),
                                          e => [e.dataset.value, e.innerText]))}));
"""
LEFTS = """
return Array.from(document.querySelectorAll('.tile, .chart-box'),
                  e => Math.round(e.getBoundingClientRect().left));
"""


def tiles(driver):
    return {t["channel"]: t for t in driver.execute_script(TILES)}


def check_page(driver, logger, folder, screenshots):
    driver.get(logger.url())
    wait = WebDriverWait(driver, BOUND, ignored_exceptions=(StaleElementReferenceException,))
    wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, '.tile[data-state="ok"]'))

    # The tiles show the archive's latest values; the channel without a
    # sensor says so, without numbers.
    rows = latest_rows(folder)
    assert rows[1] == (21.5, 40.0) and rows[3] == (-3.2, 80.0), rows
    shown = tiles(driver)
    for channel in (1, 3):
        temperature, humidity = rows[channel]
        values = shown[channel]["values"]
        assert values["temperature"] == "%.1f °C" % temperature, values
        assert values["humidity"] == "%.0f %%" % humidity, values
    assert shown[2]["state"] == "noSensor"
    assert "no sensor" in shown[2]["text"] and "°C" not in shown[2]["text"]
    assert "Frost point" in shown[3]["text"]

    # The charts have drawn points, the day's first.
    charts = driver.find_element(By.ID, "charts")
    wait.until(lambda d: int(d.find_element(By.ID, "chart-temperature").get_attribute("data-points")) > 0)
    assert charts.get_attribute("data-from") == charts.get_attribute("data-to") == current(logger)["today"]
    if screenshots:
        driver.save_screenshot(os.path.join(screenshots, "page-1280x800.png"))

    # "Week": Monday to Sunday around the day, and points again.
    driver.find_element(By.CSS_SELECTOR, '[data-period="week"]').click()
    wait.until(lambda d: charts.get_attribute("data-from") != charts.get_attribute("data-to"))
    first = datetime.date.fromisoformat(charts.get_attribute("data-from"))
    last = datetime.date.fromisoformat(charts.get_attribute("data-to"))
    assert first.weekday() == 0 and (last - first).days == 6, (first, last)
    assert " – " in driver.find_element(By.ID, "periodLabel").text
    wait.until(lambda d: int(d.find_element(By.ID, "chart-humidity").get_attribute("data-points")) > 0)
    driver.find_element(By.ID, "back").click()
    wait.until(lambda d: charts.get_attribute("data-from") == str(first - datetime.timedelta(days=7)))

    # °F, remembered by the browser.
    driver.find_element(By.ID, "unitF").click()
    driver.refresh()
    # Right after the reload the tiles may not be built yet.
    fahrenheit = "%.1f °F" % (rows[1][0] * 1.8 + 32)
    wait.until(lambda d: tiles(d).get(1, {}).get("values", {}).get("temperature") == fahrenheit)
    driver.find_element(By.ID, "unitC").click()

    # A phone's width: one column of tiles and charts.
    driver.set_window_size(390, 844)
    driver.get(logger.url())
    wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, '.tile[data-state="ok"]'))
    wait.until(lambda d: int(d.find_element(By.ID, "chart-temperature").get_attribute("data-points")) > 0)
    lefts = set(driver.execute_script(LEFTS))
    assert len(lefts) == 1, lefts
    assert driver.execute_script("return document.documentElement.scrollWidth") <= 390
    if screenshots:
        driver.save_screenshot(os.path.join(screenshots, "page-390x844.png"))

    problems = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    assert not problems, problems

    # The logger stops: the tiles say so instead of keeping the numbers.
    logger.stop()
    wait.until(lambda d: (shown := tiles(d)) and all(t["state"] == "stopped" for t in shown.values()))
    assert not any("°C" in t["text"] for t in tiles(driver).values())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("corvalind")
    parser.add_argument("cli")
    parser.add_argument("--screenshots")
    arguments = parser.parse_args()
    for program in (CHROMIUM, CHROMEDRIVER):
        if not os.access(program, os.X_OK):
            print(program + " is missing: skipped")
            return 77
    # The logger's days and the browser's clock in one zone.
    os.environ["TZ"] = "Europe/Berlin"
    folder = tempfile.mkdtemp(prefix="corvalin-page-")
    logger = driver = None
    try:
        logger = Logger(arguments.corvalind, arguments.cli, folder)
        wait_for("a reading", lambda: current(logger)["connected"] and current(logger)["time"])
        driver = browser(os.path.join(folder, "browser"))
        check_page(driver, logger, folder, arguments.screenshots)
        print("the page holds in Chromium")
        return 0
    finally:
        if driver:
            driver.quit()
        if logger:
            logger.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
