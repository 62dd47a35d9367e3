#!/usr/bin/env python3
"""The JUnit XML of `codehdr check --junit`, read by Python's xml.etree as a CI dashboard reads it: the counts agree
with the test cases, each image and each dependency is a test case, and findings, errors and allowed-missing
dependencies land on the right one.

    check_junit_test.py TOOL SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TOOL, SOURCE = sys.argv[1], sys.argv[2]
DEVICES = os.path.join(SOURCE, "data", "virevuz.txt")
APP, BOOT, FPGA = "rx200-app.img", "rx200b-boot.img", "tx310-fpga.img"
IMG, DEP = "release.images", "release.dependencies"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as work:
    # The sample release without its FPGA image, with a second boot loader version and an entry that cannot be read,
    # against the sample's manifest, the FPGA image's code mode allowed to be missing.
    release, payload, junit = (os.path.join(work, name) for name in ("release", "payload", "junit.xml"))
    shutil.copytree(os.path.join(SOURCE, "data", "release"), release)
    os.remove(os.path.join(release, FPGA))
    os.mkdir(os.path.join(release, "sub"))
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run([TOOL, "extract", os.path.join(release, BOOT), "-o", payload], check=True, **quiet)
    subprocess.run([TOOL, "build", payload, "-o", os.path.join(release, "boot5.img"), "--tag", "18", "--virevuz",
                    "R02B01", "--code-ver", "R01A01.5", "--devctl", DEVICES], check=True, **quiet)
    status = subprocess.run([TOOL, "check", "--devctl", DEVICES, "--junit", junit, "--dir", release, "--manifest",
                             os.path.join(SOURCE, "data", "release.json"), "--allow-missing", "CPLD"],
                            timeout=60, **quiet).returncode
    check(status == 2, f"exit status {status}")
    root = ET.parse(junit).getroot()
    suites = root.findall("testsuite")
    check(root.tag == "testsuites" and len(suites) == 1, f"<{root.tag}> with {len(suites)} test suites")
    for element in [root] + suites:
        cases = list(element.iter("testcase"))
        for attribute, tag in (("failures", "failure"), ("errors", "error"), ("skipped", "skipped")):
            counted = sum(1 for c in cases if c.find(tag) is not None)
            check(int(element.get(attribute)) == counted, f"<{element.tag}> {attribute}={element.get(attribute)}")
        check(int(element.get("tests")) == len(cases), f"<{element.tag}> tests={element.get('tests')}")
    found = {}
    for case in root.iter("testcase"):
        outcome = [(tag, e.get("type", "")) for tag in ("error", "failure", "skipped") if (e := case.find(tag)) is not None]
        found[(case.get("classname"), case.get("name"))] = outcome[0] if outcome else ("passed", "")
    want = {(IMG, APP): ("passed", ""), (IMG, "boot5.img"): ("failure", "duplicate"),
            (IMG, BOOT): ("failure", "duplicate"), (IMG, FPGA): ("failure", "manifest_missing"),
            (IMG, "sub"): ("error", "file"), (DEP, f"{APP} needs BOOT/BOOTLDR (0) R01A01.4"): ("passed", ""),
            (DEP, f"{APP} needs FPGA/CPLD (3) R03C00"): ("skipped", "")}
    check(found == want, f"test cases: {found}")
    text = "".join(root.find("testsuite/testcase[@name='boot5.img']/failure").itertext())
    check("manifest_extra: not in the manifest" in text, f"boot5.img's failure does not list all its findings: {text}")

for failure in failures:
    print("FAIL:", failure)
print("check --junit:", "all checks passed" if not failures else f"{len(failures)} failed")
sys.exit(1 if failures else 0)
