#include "sealed_image.h"

#include <climits>

#include <codehdr/codehdr.h>

#include "atomic_output.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

std::uint32_t CrcOfWrittenFile(const std::string& temp_path) {
  Bytes written = ReadWholeFile(temp_path);
  CCRC crc;
  return crc.GetCRC32(written.data(), static_cast<int>(written.size()));
}

void CheckWithLibrary(const std::string& temp_path, const std::string& output, unsigned char tag) {
  CCodeHeader checker;
  if (checker.DoVerifyHeader(temp_path.c_str(), 0, tag) == 0) {
    throw ToolError(output, "the finished image does not pass verification; nothing was written", kExitFailed);
  }
}

}  // namespace

std::uint32_t WriteSealedImage(CCodeHeader& header, const Bytes& payload, const std::string& output,
                               unsigned char tag) {
  std::size_t header_size = header.GetHeaderTotalSize();
  if (payload.size() > static_cast<std::size_t>(INT_MAX) - header_size) {
    throw ToolError(output, "the image would exceed 2 GiB, more than the CRC routine takes", kExitFailed);
  }
  AtomicOutput out(output);
  out.Append(header.compressedCodeHeader, header_size);
  out.Append(payload.data(), payload.size());
  std::uint32_t crc = CrcOfWrittenFile(out.temp_path());
  header.InsertCrcIntoHeader(crc);
  out.WriteAt(0, header.compressedCodeHeader, header_size);
  CheckWithLibrary(out.temp_path(), output, tag);
  out.Commit();
  return crc;
}

}  // namespace codehdr::tool
