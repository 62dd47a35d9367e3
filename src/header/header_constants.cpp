// Definitions of the byte constants that CCodeHeader exports.
#include <codehdr/code_header.h>

#include "header/layout.h"

namespace layout = codehdr::layout;

const unsigned char CCodeHeader::HDR_TOT_SIZE_LOC = layout::kTotSizeLoc;
const unsigned char CCodeHeader::HDR_TAG_LOC = layout::kTagLoc;
const unsigned char CCodeHeader::HDR_CODE_VER_LOC = layout::kCodeVerLoc;
const unsigned char CCodeHeader::HDR_NUM_OPT_SEC_LOC = layout::kNumOptSecLoc;
const unsigned char CCodeHeader::HDR_FIRST_OPT_SEC_LOC = layout::kFirstOptSecLoc;
const unsigned char CCodeHeader::OPT_HDR_LEN_LOC = layout::kOptPayloadLoc;
const unsigned char CCodeHeader::OLD_STYLE_HEADER_LEN = layout::kOldStyleHdrLen;
const unsigned char CCodeHeader::GUARD_BYTE_VAL;
const unsigned char CCodeHeader::HDR_CRC_LOC;

static_assert(CCodeHeader::GUARD_BYTE_VAL == layout::kGuardByte);
static_assert(CCodeHeader::HDR_CRC_LOC == layout::kCrcLoc);
