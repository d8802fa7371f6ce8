#!/usr/bin/env python3
"""The web view in a real browser (headless chromium driven by chromedriver): the overview's
values change live, the device page's trend zooms, and a logged-in user acknowledges an
alarm. The headless poller serves two simulated instruments; device 1 has a low limit that
its values are always under, so its alarm is raised at its first poll.

    browser_test.py ZELTARCTL ZELTAR_SIM [SCREENSHOT_DIR]
"""
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ec
from selenium.webdriver.support.ui import WebDriverWait


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, seconds=10, what="condition"):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception:  # not there yet
            pass
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def start_station(folder, ctl, sim, port):
    line = folder / "line"
    simulator = subprocess.Popen([sim, "--link", str(line), "--addr", "1", "--addr", "2"],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    wait_for(lambda: simulator.stdout.readline().startswith("ready"), 10, "the simulator")
    try:
        return simulator, *start_poller(folder, ctl, line, port)
    except BaseException:
        simulator.terminate()
        raise


def start_poller(folder, ctl, line, port):
    devices = ""
    for n, name in ((1, "Печь 1"), (2, "Котёл")):
        devices += (f"[ZELTAR{n}]\nPribName={name}\nPribVkl=1\nPribPort=1\nPribBaud=2\n"
                    f"PribAdr={n}\n")
        if n == 1:
            devices += "AlarmLow=100000\n"
    (folder / "Zeltar.ini").write_text(
        "[MAIN]\nPathArh=Data\nTimeOpr=1\nCountUstr=2\n" + devices +
        f"[PORTS]\nCOM1={line}\n[WEB]\nEnabled=1\nPort={port}\nAnonymous=1\n",
        encoding="utf-8")
    subprocess.run([ctl, "--dir", str(folder), "web-user", "ivan"], input="пароль\nпароль\n",
                   text=True, check=True, capture_output=True)
    # A lock folder of its own, so that a station running on this machine does not stop it.
    locks = folder / "locks"
    locks.mkdir()
    poller = subprocess.Popen([ctl, "--dir", str(folder), "poll"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, env=dict(os.environ, TMPDIR=str(locks)))
    base = f"http://127.0.0.1:{port}"
    try:
        wait_for(lambda: json.load(urllib.request.urlopen(base + "/api/v1/status"))["polling"],
                 10, "the web view")
    except BaseException:
        poller.terminate()
        raise
    return poller, base


def no_policy_violations(driver):
    """The pages and the chart library run under the view's Content-Security-Policy."""
    problems = [entry["message"] for entry in driver.get_log("browser")
                if "Content Security Policy" in entry["message"] or entry["level"] == "SEVERE"]
    assert not problems, problems


def browser():
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1100,800", "--lang=ru"):
        options.add_argument(argument)
    # Dates and numbers in the operator's language: headless chromium takes its locale
    # from the environment, not from --lang.
    options.add_experimental_option("prefs", {"intl.accept_languages": "ru-RU,ru"})
    options.binary_location = "/usr/bin/chromium"
    service = Service(executable_path="/usr/bin/chromedriver",
                      env=dict(os.environ, LANG="ru_RU.UTF-8", LANGUAGE="ru"))
    return webdriver.Chrome(options=options, service=service)


def main():
    ctl, sim = sys.argv[1], sys.argv[2]
    shots = Path(sys.argv[3]) if len(sys.argv) > 3 else None
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        simulator, poller, base = start_station(folder, ctl, sim, free_port())
        driver = None
        try:
            driver = browser()
            wait = WebDriverWait(driver, 10)

            # Overview: the value of device 2 changes without a reload.
            driver.get(base + "/")
            wait.until(ec.presence_of_element_located((By.ID, "device2")))
            value = lambda: driver.find_element(By.CSS_SELECTOR, "#device2 .value").text
            first = wait_for(lambda: value() not in ("", "—") and value(), 10, "a value")
            wait_for(lambda: value() != first, 10, "the value to change live")
            assert "обновляется с каждым опросом" in driver.find_element(By.ID, "live").text
            assert "Нет связи" not in driver.find_element(By.ID, "device2").text
            assert "Ниже нижней границы" in driver.find_element(By.ID, "device1").text
            no_policy_violations(driver)
            if shots:
                driver.save_screenshot(str(shots / "web-overview.png"))

            # Device page: a drag across the middle of the chart zooms into it.
            time.sleep(1)  # a few more records on the chart
            driver.get(base + "/device?n=2")
            wait_for(lambda: "точек" in driver.find_element(By.ID, "info").text, 10, "the trend")
            canvas = driver.find_element(By.CSS_SELECTOR, "#chart canvas")
            before = driver.find_element(By.ID, "from").get_attribute("value")
            width = canvas.size["width"]
            ActionChains(driver).move_to_element_with_offset(canvas, -width // 10, 0) \
                .click_and_hold().move_by_offset(width // 5, 0).release().perform()
            wait_for(lambda: driver.find_element(By.ID, "from").get_attribute("value") > before,
                     10, "the zoom")
            assert "format=csv" in driver.find_element(By.ID, "csv").get_attribute("href")
            no_policy_violations(driver)
            if shots:
                driver.save_screenshot(str(shots / "web-device.png"))

            # Log in, then acknowledge device 1's alarm on the alarms page.
            driver.get(base + "/login")
            driver.find_element(By.ID, "user").send_keys("ivan")
            driver.find_element(By.ID, "password").send_keys("пароль")
            driver.find_element(By.ID, "enter").click()
            wait.until(ec.presence_of_element_located((By.ID, "user")))
            driver.get(base + "/alarms")
            button = wait.until(ec.element_to_be_clickable(
                (By.CSS_SELECTOR, "button[data-alarm='1-low']")))
            button.click()
            wait_for(lambda: driver.find_element(By.CSS_SELECTOR, "#alarm-1-low .state").text
                     == "Квитирована", 10, "the acknowledgement")
            no_policy_violations(driver)
            if shots:
                driver.save_screenshot(str(shots / "web-alarms.png"))
            journal = (folder / "Zeltar.mes").read_text(encoding="utf-8")
            assert "ivan квитирует тревогу Печь 1" in journal
            print("browser test passed")
        finally:
            if driver:
                driver.quit()
            poller.terminate()
            poller.wait(10)
            simulator.terminate()
            simulator.wait(10)


if __name__ == "__main__":
    main()
