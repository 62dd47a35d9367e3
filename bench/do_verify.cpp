// What a host program does to check an image: one DoVerifyHeader call.
#include <codehdr/codehdr.h>

int main(int argc, char** argv) {
  CCodeHeader header;
  return argc == 2 && header.DoVerifyHeader(argv[1], 0, 0) == 1 ? 0 : 1;
}
