#!/usr/bin/env python3
"""Counts GoogleTest cases in the XML reports of one build."""
import glob, os, sys
import xml.etree.ElementTree as ET

passed = failed = skipped = 0
for path in glob.glob(os.path.join(sys.argv[1], "*.xml")):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        failed += 1
        continue
    for case in root.iter("testcase"):
        if case.find("failure") is not None:
            failed += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
print(f"{passed} test cases passed, {failed} failed, {skipped} skipped")
