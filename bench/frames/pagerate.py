#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The web page's frame rate, for bench/frames/editions.sh: the page served
from 127.0.0.1 in Chromium full screen on DISPLAY, on a pinned clock, its
frames counted as the page tests count them over seconds after skip frames.
Prints frames a second.
Usage: pagerate.py PAGE_DIR SKIP SECONDS CLOCK"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/web"))
from page_test import browser, pagerate, pinclock, serve  # noqa: E402

folder, skip, seconds, clock = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
server, url = serve(folder)
driver = browser("--kiosk", setup=pinclock(clock))
try:
    driver.get(url)
    rate = pagerate(driver, skip, seconds)
    if rate is None:
        sys.exit("the page drew fewer than %d frames in two minutes" % skip)
    print("%.2f" % rate)
finally:
    driver.quit()
    server.shutdown()
