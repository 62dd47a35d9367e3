// Everything a caller of libcodehdr normally needs.
#ifndef CODEHDR_CODEHDR_H
#define CODEHDR_CODEHDR_H

#include <codehdr/code_header.h>
#include <codehdr/crc.h>
#include <codehdr/version_string.h>
#include <codehdr/virevuz_txt.h>

#endif  // CODEHDR_CODEHDR_H
