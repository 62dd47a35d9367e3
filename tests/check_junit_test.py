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
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run_check(work, *args):
    """Runs check with --junit; returns the exit status and the parsed document's root."""
    xml_path = os.path.join(work, "junit.xml")
    if os.path.exists(xml_path):
        os.remove(xml_path)
    done = subprocess.run([TOOL, "check", "--devctl", DEVICES, "--junit", xml_path, *args],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return done.returncode, ET.parse(xml_path).getroot()


def cases(root):
    """{(classname, name): (outcome, type or message)} for every test case, where outcome is one of
    passed, failure, error, skipped."""
    found = {}
    for case in root.iter("testcase"):
        outcome, detail = "passed", ""
        for tag in ("error", "failure", "skipped"):
            element = case.find(tag)
            if element is not None:
                outcome, detail = tag, element.get("type", element.get("message", ""))
        found[(case.get("classname"), case.get("name"))] = (outcome, detail)
    return found


def counts_agree(root, label):
    check(root.tag == "testsuites", f"{label}: the root is <{root.tag}>")
    suites = root.findall("testsuite")
    check(len(suites) == 1, f"{label}: {len(suites)} test suites")
    for element in [root] + suites:
        all_cases = list(element.iter("testcase"))
        for attribute, tag in (("failures", "failure"), ("errors", "error"), ("skipped", "skipped")):
            counted = sum(1 for c in all_cases if c.find(tag) is not None)
            check(int(element.get(attribute)) == counted,
                  f"{label}: <{element.tag}> {attribute}={element.get(attribute)}, counted {counted}")
        check(int(element.get("tests")) == len(all_cases), f"{label}: tests={element.get('tests')}")


APP, BOOT, FPGA = "rx200-app.img", "rx200b-boot.img", "tx310-fpga.img"
NEEDS_BOOT = f"{APP} needs BOOT/BOOTLDR (0) R01A01.4"
NEEDS_FPGA = f"{APP} needs FPGA/CPLD (3) R03C00"
IMG, DEP = "release.images", "release.dependencies"

with tempfile.TemporaryDirectory() as work:
    release = os.path.join(work, "release")
    shutil.copytree(os.path.join(SOURCE, "data", "release"), release)

    # The sample release: every case passes.
    status, root = run_check(work, "--dir", release)
    counts_agree(root, "consistent")
    check(status == 0, f"consistent: exit status {status}")
    want = {(IMG, APP): ("passed", ""), (IMG, BOOT): ("passed", ""), (IMG, FPGA): ("passed", ""),
            (DEP, NEEDS_BOOT): ("passed", ""), (DEP, NEEDS_FPGA): ("passed", "")}
    check(cases(root) == want, f"consistent: {cases(root)}")

    # Without the FPGA image, with a second boot loader version, against the manifest of the sample release: the
    # dependency fails, the two boot loaders are duplicates, the FPGA image is missing and the new one is extra.
    os.remove(os.path.join(release, FPGA))
    subprocess.run([TOOL, "extract", os.path.join(release, BOOT), "-o", os.path.join(work, "payload")], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run([TOOL, "build", os.path.join(work, "payload"), "-o", os.path.join(release, "boot5.img"),
                    "--tag", "18", "--virevuz", "R02B01", "--code-ver", "R01A01.5", "--devctl", DEVICES],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    manifest = os.path.join(SOURCE, "data", "release.json")
    status, root = run_check(work, "--dir", release, "--manifest", manifest)
    counts_agree(root, "broken")
    check(status == 1, f"broken: exit status {status}")
    want = {(IMG, APP): ("passed", ""), (IMG, "boot5.img"): ("failure", "duplicate"),
            (IMG, BOOT): ("failure", "duplicate"), (IMG, FPGA): ("failure", "manifest_missing"),
            (DEP, NEEDS_BOOT): ("passed", ""), (DEP, NEEDS_FPGA): ("failure", "dependency_not_met")}
    check(cases(root) == want, f"broken: {cases(root)}")
    text = "".join(root.find("testsuite/testcase[@name='boot5.img']/failure").itertext())
    check("manifest_extra: not in the manifest" in text, f"boot5.img's failure does not list all its findings: {text}")

    # The FPGA image's code mode allowed to be missing; an entry that cannot be read is an error.
    os.mkdir(os.path.join(release, "sub"))
    status, root = run_check(work, "--dir", release, "--allow-missing", "CPLD")
    counts_agree(root, "allowed")
    check(status == 2, f"allowed: exit status {status}")
    got = cases(root)
    check(got.get((DEP, NEEDS_FPGA), ("",))[0] == "skipped", f"allowed: {got.get((DEP, NEEDS_FPGA))}")
    check(got.get((IMG, "sub"), ("",))[0] == "error", f"allowed: {got.get((IMG, 'sub'))}")

for failure in failures:
    print("FAIL:", failure)
print("check --junit:", "all checks passed" if not failures else f"{len(failures)} failed")
sys.exit(1 if failures else 0)
