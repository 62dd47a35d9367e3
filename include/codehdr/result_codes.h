// The classic API's result codes: an unsigned 16-bit value, 0 for success.
// The classic classes return them; the library's own API reports a Status,
// which LegacyCode (core.h) maps to one of these.
#ifndef CODEHDR_RESULT_CODES_H
#define CODEHDR_RESULT_CODES_H

constexpr unsigned short HDR_SUCCESS = 0;
constexpr unsigned short ERR_DEVCTL_OPEN = 116;
constexpr unsigned short ERR_DEVCTL_NO_VERSION = 117;
constexpr unsigned short ERR_DEVCTL_NO_MODELS = 118;
// Not a failure: the code mode written for a label that is not in the
// code-mode table (no row has this value; it is also a guard byte, 0xC9).
constexpr unsigned short CODE_MODE_NOT_FOUND = 201;
constexpr unsigned short ERR_TAG_MISMATCH = 302;
constexpr unsigned short ERR_CODE_MODE = 1002;
constexpr unsigned short ERR_CRC_MISMATCH = 1050;
constexpr unsigned short ERR_VERSION_FORMAT = 1051;
constexpr unsigned short ERR_CODE_VER_FORMAT = 1052;
constexpr unsigned short ERR_GUARD_BYTES = 1053;
constexpr unsigned short ERR_UNKNOWN_DEP_LABEL = 1054;
constexpr unsigned short ERR_OPT_SECTION = 1055;
constexpr unsigned short ERR_DEP_VER_FORMAT = 1057;
constexpr unsigned short ERR_MAN_HDR_SIZE = 1058;

#endif  // CODEHDR_RESULT_CODES_H
