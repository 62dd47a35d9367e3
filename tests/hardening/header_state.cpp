#include "header_state.h"

#include <cstring>

namespace codehdr::test {
namespace {

std::string DepBytes(const dependencyInfo& d) {
  std::string s = std::to_string(d.depType) + ":";
  s.append(d.depVer, sizeof d.depVer);
  return s;
}

}  // namespace

DeviceTableState DeviceTableState::Of(const CVireVuzTxt& t) {
  DeviceTableState s;
  s.count = t.device_count;
  s.table = t.device_table;
  for (int i = 0; t.device_table != nullptr && i < t.device_count; ++i) {
    s.records.emplace_back(reinterpret_cast<const char*>(&t.device_table[i]), sizeof(download_ctl_typ));
  }
  return s;
}

bool DeviceTableState::operator==(const DeviceTableState& o) const {
  return count == o.count && table == o.table && records == o.records;
}

HeaderState HeaderState::Of(CCodeHeader& h) {
  HeaderState s;
  s.hdrPtr = h.compressedCodeHeader;
  if (h.compressedCodeHeader != nullptr) {
    s.hdrBytes.assign(h.compressedCodeHeader, h.compressedCodeHeader + h.GetHeaderTotalSize());
  }
  s.oldStyle = h.oldStyleHeader;
  s.totalHdrSize = h.totalHdrSize;
  s.hasComment = h.comment != nullptr;
  if (h.comment != nullptr) s.comment.assign(h.comment, 32);
  s.commentLen = h.commentLen;
  s.codeVer.assign(h.codeVer, sizeof h.codeVer);
  for (int i = 0; i < h.dependencyList.Count(); ++i) s.deps.push_back(DepBytes(h.dependencyList.At(i)));
  s.devices = DeviceTableState::Of(h.devCtl);
  return s;
}

bool HeaderState::operator==(const HeaderState& o) const {
  return hdrPtr == o.hdrPtr && hdrBytes == o.hdrBytes && oldStyle == o.oldStyle &&
         totalHdrSize == o.totalHdrSize && hasComment == o.hasComment && comment == o.comment &&
         commentLen == o.commentLen && codeVer == o.codeVer && deps == o.deps && devices == o.devices;
}

std::ostream& operator<<(std::ostream& os, const HeaderState& s) {
  return os << "{header " << s.hdrBytes.size() << " bytes" << (s.oldStyle ? " old-style" : "")
            << ", totalHdrSize " << s.totalHdrSize << ", comment " << (s.hasComment ? s.comment.c_str() : "(none)")
            << "/" << int(s.commentLen) << ", codeVer " << s.codeVer.c_str() << ", " << s.deps.size()
            << " deps, " << s.devices.count << " devices}";
}

std::vector<std::string> DependencyList(CCodeHeader& h) {
  std::vector<std::string> out;
  for (int i = 0; i < h.GetNumCodeDependencies(); ++i) out.push_back(DepBytes(h.dependencyList.At(i)));
  return out;
}

}  // namespace codehdr::test
