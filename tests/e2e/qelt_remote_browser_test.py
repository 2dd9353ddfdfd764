"""The remote page in a real browser (Debian's chromium, headless, driven by chromedriver
through python3-selenium) at a phone's width: loaded with its token in the address, the
countdown runs and today's list shows the hostile title as text; a button press rings a
common track, answered on the page and seen in the bell log. With QELT_SCREENSHOT_DIR set,
the page is saved there as remote.png. Skipped when chromium or selenium is missing.
usage: qelt_remote_browser_test.py QELT QELT_TOOL"""

import os
import re
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import remote_common  # noqa: E402

PHONE_WIDTH, PHONE_HEIGHT = 390, 1500
PAGE_WAIT_SECONDS = 20
BROWSER_SECONDS = 60


def find_browser():
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    try:
        import selenium  # noqa: F401
    except ImportError:
        return None
    return (chromium, driver) if chromium and driver else None


def main():
    found = find_browser()
    if found is None:
        print("SKIP: chromium, chromedriver or python3-selenium is not installed")
        sys.exit(remote_common.SKIP)
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait

    copy = remote_common.Copy(sys.argv[1], sys.argv[2])
    profile = tempfile.mkdtemp()
    browser = None
    try:
        options = webdriver.ChromeOptions()
        options.binary_location = found[0]
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--user-data-dir=" + profile):
            options.add_argument(argument)
        # A phone's viewport: the desktop window of headless chromium has a minimum width.
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": {
            "width": PHONE_WIDTH, "height": PHONE_HEIGHT, "pixelRatio": 1}})
        browser = webdriver.Chrome(service=Service(executable_path=found[1]), options=options)
        browser.set_page_load_timeout(BROWSER_SECONDS)
        browser.set_script_timeout(BROWSER_SECONDS)
        browser.get(copy.url)
        wait = WebDriverWait(browser, PAGE_WAIT_SECONDS)

        # The list and the countdown render from the state; the hostile title is text.
        wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, "#items tr.next"))
        wait.until(lambda b: re.fullmatch(r"\d\d:\d\d:\d\d",
                                          b.find_element(By.ID, "countdown").text))
        first = browser.find_element(By.ID, "countdown").text
        wait.until(lambda b: b.find_element(By.ID, "countdown").text != first)
        title = browser.find_element(By.CSS_SELECTOR, "#items tr.next td.title")
        if title.get_attribute("textContent") != remote_common.HOSTILE_TITLE:
            copy.fail(f"the list shows {title.get_attribute('textContent')!r}")
        if browser.execute_script("return window.hacked === undefined") is not True or \
                browser.find_elements(By.CSS_SELECTOR, "#items img, #items script"):
            copy.fail("the hostile title was run as HTML")
        if "#" in browser.current_url or copy.token in browser.current_url:
            copy.fail("the token stayed in the address bar")
        if browser.find_element(By.ID, "school").text != "QELT 演示学校":
            copy.fail("the school's name is missing")
        width = browser.execute_script("return document.documentElement.scrollWidth")
        if browser.execute_script("return window.innerWidth") != PHONE_WIDTH or \
                width > PHONE_WIDTH:
            copy.fail(f"the page is {width} px wide at a phone's {PHONE_WIDTH} px")

        # The button rings the chosen common track.
        browser.find_element(By.ID, "playCommon").click()
        wait.until(lambda b: "预备铃" in b.find_element(By.ID, "answer").text)
        if not copy.wait_until(lambda: "manual " + copy.dir + "/音乐库/预备铃.wav"
                               in copy.bell_log(), 10):
            copy.fail("the track was not played")
        wait.until(lambda b: "预备铃" in b.find_element(By.ID, "playing").text)
        wait.until(lambda b: "remote play common 0" in b.find_element(By.ID, "log").text)

        shots = os.environ.get("QELT_SCREENSHOT_DIR")
        if shots:
            os.makedirs(shots, exist_ok=True)
            browser.save_screenshot(os.path.join(shots, "remote.png"))
    finally:
        if browser is not None:
            browser.quit()
        shutil.rmtree(profile, ignore_errors=True)
        copy.close()
    print("PASS")


if __name__ == "__main__":
    main()
