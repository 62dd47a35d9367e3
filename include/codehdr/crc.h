// CRC engine: CRC-32/ISO-HDLC (the CRC that seals a code image file) and a
// table-driven CRC-16.
//
//   GetCRC32 / CheckCRC32  CRC-32/ISO-HDLC: reflected polynomial 0xEDB88320,
//                          init 0xFFFFFFFF, final XOR 0xFFFFFFFF.
//                          Check value of "123456789": 0xCBF43926.
//   GetCRC16               CRC-16/IBM-3740 (also known as CRC-16/CCITT-FALSE):
//                          polynomial 0x1021, init 0xFFFF, MSB first, no
//                          reflection, no final XOR. Check value 0x29B1.
//
// GetCRC32 reads only constant tables shared by all objects, so it may run on
// any number of threads at once. The object's own tables are plain data held
// inline: a CCRC allocates nothing and can live on the stack.
#ifndef CODEHDR_CRC_H
#define CODEHDR_CRC_H

#include <codehdr/export.h>

class CODEHDR_EXPORT CCRC {
 public:
  // The CRC that the most recent CheckCRC32 on this object computed.
  unsigned int lastCrc32;
  // MSB-first table of polynomial 0x1021, filled by GenTable_CRC16.
  unsigned short crc16Table[256];
  // MSB-first (non-reflected) table of polynomial 0x04C11DB7, filled by
  // GenTable_CRC32. Kept for callers; no computation of this class reads it.
  unsigned int crc32Table[256];

  // Builds crc32Table. Leaves crc16Table and lastCrc32 unset.
  CCRC();
  ~CCRC();
  CCRC(const CCRC& other);
  CCRC& operator=(const CCRC& other);

  // Fills crc16Table. Always returns 0.
  int GenTable_CRC16();
  // CRC-16 of `length` bytes; GenTable_CRC16 must have run on this object.
  // A length of 0 gives 0xFFFF.
  unsigned short GetCRC16(const unsigned char* data, unsigned short length);

  // Fills crc32Table. Always returns 0.
  int GenTable_CRC32();
  // CRC-32/ISO-HDLC of `length` bytes. A length of 0 or less gives 0.
  unsigned int GetCRC32(const unsigned char* data, int length);

  // Computes the CRC-32 and compares it with an expected value, stored least
  // significant byte first. With `expected` null, the expected value is the
  // last four bytes of `data` and the CRC covers the bytes before them.
  // Stores the computed CRC in lastCrc32. `flag` has no effect.
  // Returns 1 on a match, else 0.
  int CheckCRC32(const unsigned char* data, const unsigned char* expected, int flag, int length);

  // Writes `crc` as lower-case hex without leading zeros ("%x") into `out`,
  // which must hold at least 9 bytes. Always returns 1.
  int Crc32ToStr(unsigned int crc, char* out);
};

#endif  // CODEHDR_CRC_H
