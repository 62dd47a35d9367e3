// Everything a caller of libcodehdr normally needs: the classic classes and
// functions, and the library's own API in namespace codehdr.
#ifndef CODEHDR_CODEHDR_H
#define CODEHDR_CODEHDR_H

#include <codehdr/code_header.h>
#include <codehdr/crc.h>
#include <codehdr/version_string.h>
#include <codehdr/virevuz_txt.h>

#include <codehdr/checksum.h>
#include <codehdr/core.h>
#include <codehdr/devices.h>
#include <codehdr/file_io.h>
#include <codehdr/header.h>
#include <codehdr/header_fields.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>
#include <codehdr/release.h>

#endif  // CODEHDR_CODEHDR_H
