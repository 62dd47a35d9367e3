// The code header that starts every code image file, and the object that
// builds, extracts, parses, validates and verifies it.
//
// New-style header layout (multi-byte numbers big-endian):
//    0  4  guard bytes, each 0xC9 (GUARD_BYTE_VAL)
//    4 16  VireVuz version string, NUL-filled
//   20  2  mandatory header size, always 48
//   22  2  total header size (HDR_TOT_SIZE_LOC)
//   24  4  CRC-32 of the whole file with these four bytes zero (HDR_CRC_LOC)
//   28  1  tag id (HDR_TAG_LOC)
//   29  1  code mode
//   30 16  code version string, NUL-filled (HDR_CODE_VER_LOC)
//   46  1  number of optional sections (HDR_NUM_OPT_SEC_LOC)
//   47  1  reserved, 0
//   48     optional sections (HDR_FIRST_OPT_SEC_LOC): type, length L, L bytes
//          type 1 comment: text and a NUL
//          type 2 dependency: 2-byte type, 16-byte version
// An old-style header is four equal bytes (not 0xC9), each the tag id.
#ifndef CODEHDR_CODE_HEADER_H
#define CODEHDR_CODE_HEADER_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include <codehdr/export.h>
#include <codehdr/result_codes.h>
#include <codehdr/virevuz_txt.h>

// The result codes HDR_SUCCESS ... ERR_MAN_HDR_SIZE are in result_codes.h.

// One code image that another depends on. A plain record: its (implicit)
// copy and assignment copy both fields exactly, all 16 version bytes included.
struct dependencyInfo {
  unsigned short depType;  // a code-mode value when added by label
  char depVer[16];         // version string, NUL-terminated within the field
};

// The ordered list of dependencies a header object holds. Storage grows in
// blocks of ten entries; emptying the list releases every block.
class CodeDependencyList {
 public:
  static constexpr int kBlockSize = 10;

  int Count() const { return count_; }

  // Appends a copy at the tail. If allocation fails, the exception reaches the
  // caller and the list keeps its previous entries.
  void Append(const dependencyInfo& info) {
    if (count_ == static_cast<int>(blocks_.size()) * kBlockSize) {
      blocks_.push_back(std::make_unique<dependencyInfo[]>(kBlockSize));
    }
    blocks_[count_ / kBlockSize][count_ % kBlockSize] = info;
    ++count_;
  }

  void Clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    count_ = 0;
  }

  // index must be below Count().
  const dependencyInfo& At(int index) const {
    return blocks_[index / kBlockSize][index % kBlockSize];
  }

 private:
  std::vector<std::unique_ptr<dependencyInfo[]>> blocks_;
  int count_ = 0;
};

class CODEHDR_EXPORT CCodeHeader {
 private:
  static const unsigned char HDR_TOT_SIZE_LOC;       // 22
  static const unsigned char HDR_TAG_LOC;            // 28
  static const unsigned char HDR_CODE_VER_LOC;       // 30
  static const unsigned char HDR_NUM_OPT_SEC_LOC;    // 46
  static const unsigned char HDR_FIRST_OPT_SEC_LOC;  // 48
  static const unsigned char OPT_HDR_LEN_LOC;        // 2
  static const unsigned char OLD_STYLE_HEADER_LEN;   // 4

 public:
  static const unsigned char GUARD_BYTE_VAL = 0xC9;
  static const unsigned char HDR_CRC_LOC = 24;

  // Device records of the device control file; filled by Init.
  CVireVuzTxt devCtl;
  // Dependencies of the held header, or those the next build writes.
  CodeDependencyList dependencyList;
  // Owned 32-byte comment buffer (at most 31 characters), or null.
  char* comment;
  // Length byte of the comment section the comment came from.
  unsigned char commentLen;
  // Code version the next build writes; at most 15 characters.
  char codeVer[16];
  // Set exactly while compressedCodeHeader holds an old-style header.
  bool oldStyleHeader;
  // Total size of the last header built by BuildHeader.
  unsigned short totalHdrSize;
  // Owned bytes of the held header, or null. Read GetHeaderTotalSize() bytes.
  unsigned char* compressedCodeHeader;

  CCodeHeader();
  ~CCodeHeader();
  CCodeHeader(const CCodeHeader&) = delete;
  CCodeHeader& operator=(const CCodeHeader&) = delete;

  // Loads the device control file beside the executable into devCtl and
  // returns the reader's result (0, 116, 117 or 118).
  unsigned short Init();
  // As Init(), for a device control file at `path`.
  unsigned short Init(const char* path);

  // --- Accessors -----------------------------------------------------------
  // 0 without a header; byte 0 of an old-style header; byte 28 otherwise.
  unsigned char GetHeaderTag();
  // Byte 28 of the held new-style header (0 when none is held).
  unsigned char ExtractTagIdFromHeader();
  // 4 for an old-style header, else bytes 22-23 of the held header
  // (0 when none is held).
  unsigned short GetHeaderTotalSize();
  // Stores crc big-endian in bytes 24-27 of the held new-style header.
  void InsertCrcIntoHeader(unsigned int crc);
  // Bytes 24-27 of the held new-style header (0 when none is held).
  unsigned int ExtractCrcFromHeader();
  // Zeroes bytes 24-27 of a code image file held by the caller (at least 28
  // bytes). The object is not touched.
  void RemoveCRC(unsigned char* image);
  // Copies the code version at byte 30 of the held header into dst. Returns 1
  // when it fits with its NUL into dstSize bytes, else 0 with dst emptied.
  int ExtractVerStrFromHeader(char* dst, unsigned char dstSize);
  // Copies the held header's code version into dst (16 bytes). 0 without a
  // header.
  int GetHeaderCodeVer(char* dst);
  // Checks ver and stores it (at most 15 characters) for the next build.
  // Returns 0 and keeps the previous version when the check fails.
  int InsertHeaderCodeVer(const char* ver);
  // Copies the comment into dst (32 bytes). 0 without a header or comment.
  int GetHeaderComment(char* dst);
  unsigned char GetHeaderCommentLen();
  int GetNumCodeDependencies();
  // index must be below GetNumCodeDependencies().
  dependencyInfo GetCodeDependencyAt(unsigned char index);

  // --- Extraction and parsing ----------------------------------------------
  // Takes the header at the start of `image` into the object and returns its
  // size: the total header size of a new-style header, 4 for an old-style
  // one, 0 when there is none. The image must hold the whole header.
  unsigned short ExtractHdrFromCompressedCodeFile(const unsigned char* image);
  // As above, for an image of imageLen bytes: never reads past them. A
  // new-style header that does not fit its own sizes is refused with 0.
  unsigned short ExtractHdrFromCompressedCodeFile(const unsigned char* image, std::size_t imageLen);
  // As above, for the first `length` bytes of the named file; 0 when the file
  // cannot be opened (the object is then unchanged).
  unsigned short ExtractHdrFromCompressedCodeFile(const char* fileName, long length);
  // 1 when the first four bytes of the file are all 0xC9, else 0.
  int IsNewHeader(FILE* file);
  int IsNewHeader(const char* fileName);
  // Reads the held header's comment and dependency sections into the object.
  // Returns 0 when no header is held, else 1.
  int ParseHeaderDependencyInfo();

  // --- Validation and verification -----------------------------------------
  // Checks the held new-style header field by field. tagId 0 accepts any tag;
  // crc 0 skips the CRC comparison. Returns 0 or the first failure's code.
  unsigned short ValidateHeader(unsigned char tagId, unsigned int crc);
  // Verifies a whole code image file against its header and CRC-32. Returns 1
  // when it validates or holds no new-style header, else 0. `length` is not
  // used: the size comes from the file system.
  int DoVerifyHeader(const char* fileName, long length, unsigned char tagId);

  // --- Building --------------------------------------------------------------
  // Builds a complete header for tagId into compressedCodeHeader and returns
  // its total size, or 0 with *result set to the failure code.
  unsigned short BuildHeader(unsigned char tagId, const char* vireVuzVer, int* result);
  // Writes the 48-byte mandatory header into buffer (at most 48 bytes).
  unsigned int BuildMandatoryHeader(unsigned char* buffer, unsigned int size, unsigned char tagId,
                                    const char* vireVuzVer);
  // Appends a dependency of a numeric type (version cut to 15 characters).
  // Always returns 1.
  int AddCodeDependencyToHdr(unsigned short depType, const char* ver);
  // Appends a dependency by code-mode label. Returns 0, 1054, 1051 or 1055.
  unsigned short AddCodeDependencyToHdr(const char* label, const char* ver);

  // --- Version strings (use no state of the object) --------------------------
  // Builds "R01A02.3"-style text into verStr (verStrSize >= 9). buildNo 255
  // means no build number. Returns 1, or 0 with verStr untouched.
  int BuildFormattedVerStr(unsigned char maj, unsigned char min, char* verStr, char incrRel,
                           unsigned char verStrSize, unsigned char buildNo, int prelim);
  // Splits a version string. letter and build may be null. Returns 1, or 0
  // with no output touched when the string fails the format check.
  int ParseFormattedVersionStr(const char* str, int* major, int* minor, char* letter, int* build);

 private:
  // Allocated length of compressedCodeHeader, so that every access stays
  // inside it whatever the header's own size fields say.
  std::size_t hdrBufLen;
};

#endif  // CODEHDR_CODE_HEADER_H
