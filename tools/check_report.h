// What `codehdr check` found about a release, and the three forms it takes:
// text grouped by file with one summary line, one JSON document, and JUnit
// XML with a test case per image and per dependency.
#ifndef CODEHDR_TOOLS_CHECK_REPORT_H
#define CODEHDR_TOOLS_CHECK_REPORT_H

#include <cstddef>
#include <string>
#include <vector>

#include <codehdr/release.h>

#include "manifest.h"

namespace codehdr::tool {

struct CheckResult {
  std::vector<ReleaseImage> images;  // each named as the output shows it
  std::vector<std::string> sha256;   // per image when computed, else empty
  ReleaseReport release;
  std::string manifest;                        // the manifest compared, if any
  std::vector<ManifestDifference> differences;  // with it

  std::size_t FindingCount() const { return release.findings.size() + differences.size(); }
  bool Consistent() const { return FindingCount() == 0; }
};

// For each image "NAME: ok (...)" or "NAME: N findings" and a line per
// finding; then each file the manifest names that is gone; then the summary.
void PrintCheckText(const CheckResult& result);

// {"consistent", "summary": {...}, "images": [...], "findings": [...]}, each
// image and finding on a line of its own: written as it goes, never held
// whole, whatever the number of images.
void PrintCheckJson(const CheckResult& result);

// A JUnit XML document: one test suite, a test case per image (failed by its
// findings, an error when it cannot be read), per file only the manifest
// names, and per dependency of a verified image (failed when not met or the
// image's own, skipped when allowed missing).
std::string CheckJUnit(const CheckResult& result);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_CHECK_REPORT_H
