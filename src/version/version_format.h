// Building and parsing formatted version strings ("R01A02.3"). The CCodeHeader
// members of the same names forward here: the work needs no object state.
#ifndef CODEHDR_SRC_VERSION_VERSION_FORMAT_H
#define CODEHDR_SRC_VERSION_VERSION_FORMAT_H

namespace codehdr::version {

// Number of characters the format check examines when a whole version field
// is checked, and the most it accepts as a count.
constexpr unsigned char kMaxCheckedChars = 16;

// Smallest buffer the builder writes into: "R01A02.3" and its NUL, plus one.
constexpr unsigned char kMinBuildBufSize = 9;

// buildNo value that asks for no build number.
constexpr unsigned char kNoBuildNumber = 255;

// Writes the version string for the numbers into verStr. Returns 1, or 0 with
// verStr untouched when an argument is out of range.
int BuildVersionString(unsigned char maj, unsigned char min, char* verStr, char incrRel,
                       unsigned char verStrSize, unsigned char buildNo, int prelim);

// Splits a version string that passes the format check (16 characters).
// letter and build may be null. Returns 1, or 0 with no output written.
int ParseVersionString(const char* str, int* major, int* minor, char* letter, int* build);

}  // namespace codehdr::version

#endif  // CODEHDR_SRC_VERSION_VERSION_FORMAT_H
