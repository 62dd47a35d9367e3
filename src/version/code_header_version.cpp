// The version string members of CCodeHeader. They use no state of the object.
#include <codehdr/code_header.h>

#include "version/version_format.h"

int CCodeHeader::BuildFormattedVerStr(unsigned char maj, unsigned char min, char* verStr, char incrRel,
                                      unsigned char verStrSize, unsigned char buildNo, int prelim) {
  return codehdr::version::BuildVersionString(maj, min, verStr, incrRel, verStrSize, buildNo, prelim);
}

int CCodeHeader::ParseFormattedVersionStr(const char* str, int* major, int* minor, char* letter,
                                          int* build) {
  return codehdr::version::ParseVersionString(str, major, minor, letter, build);
}
