// A copy of everything a CCodeHeader holds, to tell whether a failed
// operation left the object exactly as it was.
#ifndef CODEHDR_TESTS_HARDENING_HEADER_STATE_H
#define CODEHDR_TESTS_HARDENING_HEADER_STATE_H

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include <codehdr/code_header.h>

namespace codehdr::test {

struct DeviceTableState {
  int count = 0;
  const download_ctl_typ* table = nullptr;
  std::vector<std::string> records;  // each record's bytes

  static DeviceTableState Of(const CVireVuzTxt& t);
  bool operator==(const DeviceTableState& o) const;
};

struct HeaderState {
  const unsigned char* hdrPtr = nullptr;
  std::vector<unsigned char> hdrBytes;
  bool oldStyle = false;
  unsigned short totalHdrSize = 0;
  bool hasComment = false;
  std::string comment;  // the whole 32-byte buffer
  unsigned char commentLen = 0;
  std::string codeVer;  // all 16 bytes
  std::vector<std::string> deps;  // type and all 16 version bytes
  DeviceTableState devices;

  static HeaderState Of(CCodeHeader& h);
  bool operator==(const HeaderState& o) const;
};

std::ostream& operator<<(std::ostream& os, const HeaderState& s);

// The dependency list as "type:version" strings, in order.
std::vector<std::string> DependencyList(CCodeHeader& h);

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_HARDENING_HEADER_STATE_H
