/* A C99 program that uses only the installed <codehdr/c.h> and library: it
 * builds a header, writes an image, verifies it and reads its header back.
 * Then it verifies the images it is given, a line each: the same files must
 * print the same on every system and with every compiler.
 * Usage: consumer WORK_DIR [IMAGE...] */
#include <codehdr/c.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    printf("FAILED: %s\n", what);
    ++failures;
  }
}

int main(int argc, char** argv) {
  static const char digits[] = "123456789";
  static unsigned char payload[100000];
  char* image_path;
  codehdr_header* header;
  codehdr_header* received;
  codehdr_header_info info = {.struct_size = sizeof info};
  codehdr_dependency deps[2] = {{0, "R01A00"}, {26, "R04C05.1"}};
  codehdr_header_spec spec = {.struct_size = sizeof spec};
  codehdr_write_report written = {.struct_size = sizeof written};
  codehdr_verify_report report = {.struct_size = sizeof report};
  size_t i;

  if (argc < 2) {
    printf("usage: consumer WORK_DIR [IMAGE...]\n");
    return 2;
  }
  image_path = (char*)malloc(strlen(argv[1]) + sizeof "/app.img");
  if (image_path == NULL) return 2;
  sprintf(image_path, "%s/app.img", argv[1]);
  for (i = 0; i < sizeof payload; ++i) payload[i] = (unsigned char)(i * 7 + (i >> 9));
  expect(codehdr_crc32(0, digits, 9) == 0xCBF43926u, "CRC-32 check value");

  spec.tag = 17;
  spec.virevuz_version = "R01A02";
  spec.code_version = "P03B04.5";
  spec.comment = "nightly";
  spec.code_mode_label = "APP";
  spec.dependencies = deps;
  spec.dependency_count = 2;
  header = codehdr_header_new();
  expect(codehdr_header_build(header, &spec, NULL) == CODEHDR_STATUS_OK, "build");
  expect(codehdr_header_get_info(header, &info) == CODEHDR_STATUS_OK && info.byte_count == 98, "built header");
  expect(codehdr_write_image(image_path, info.bytes, info.byte_count, payload, sizeof payload, &written) ==
             CODEHDR_STATUS_OK,
         "write");
  received = codehdr_header_new();
  report.header = received;
  expect(codehdr_verify_file(image_path, 17, &report) == CODEHDR_STATUS_OK, "verify file");
  expect(report.verdict == CODEHDR_VERDICT_VERIFIED && report.computed_crc == written.crc, "verified, same CRC");
  expect(codehdr_header_get_info(received, &info) == CODEHDR_STATUS_OK && info.tag == 17 &&
             strcmp(info.code_version, "P03B04.5") == 0 && strcmp(info.comment, "nightly") == 0,
         "header of the verified file");

  report.header = NULL;
  for (i = 2; i < (size_t)argc; ++i) {
    codehdr_verify_file(argv[i], 0, &report);
    printf("image%u: %s, %s, crc %08x\n", (unsigned)(i - 1), codehdr_verdict_name(report.verdict),
           codehdr_status_name(report.status), report.has_computed_crc ? (unsigned)report.computed_crc : 0u);
  }
  codehdr_header_free(received);
  codehdr_header_free(header);
  free(image_path);
  printf("C consumer: libcodehdr %s, crc32 %08x, %s\n", codehdr_library_version(), (unsigned)written.crc,
         failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
