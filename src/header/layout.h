// The layout constants are public: see <codehdr/layout.h>.
#ifndef CODEHDR_SRC_HEADER_LAYOUT_H
#define CODEHDR_SRC_HEADER_LAYOUT_H
#include <codehdr/layout.h>
#endif
