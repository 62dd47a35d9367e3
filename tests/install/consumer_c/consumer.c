/* A C99 program that uses only the installed <codehdr/c.h> and library: it
 * builds an image from a device table, writes it, verifies it and reads its
 * header back. Then it checks the images it is given as one release, printing
 * each image's verification and each finding: the same files must print the
 * same on every system and with every compiler.
 * Usage: consumer WORK_DIR [IMAGE...] */
#include <codehdr/c.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

static char* join(const char* dir, const char* name) {
  char* path = (char*)malloc(strlen(dir) + strlen(name) + 2);
  if (path != NULL) sprintf(path, "%s/%s", dir, name);
  return path;
}

int main(int argc, char** argv) {
  static const char digits[] = "123456789";
  static unsigned char payload[100000];
  char* devices_path;
  char* image_path;
  FILE* file;
  codehdr_devices* devices;
  codehdr_header* header;
  codehdr_header* received;
  codehdr_release* release;
  codehdr_finding finding = {.struct_size = sizeof finding};
  codehdr_header_info info = {.struct_size = sizeof info};
  codehdr_dependency deps[2];
  codehdr_header_spec spec = {.struct_size = sizeof spec};
  codehdr_write_report written = {.struct_size = sizeof written};
  codehdr_verify_report report = {.struct_size = sizeof report};
  char text[CODEHDR_VERSION_TEXT_SIZE];
  size_t i;

  if (argc < 2) {
    fprintf(stderr, "usage: consumer WORK_DIR [IMAGE...]\n");
    return 2;
  }
  devices_path = join(argv[1], "virevuz.txt");
  image_path = join(argv[1], "app.img");
  if (devices_path == NULL || image_path == NULL) return 2;
  for (i = 0; i < sizeof payload; ++i) payload[i] = (unsigned char)(i * 7 + (i >> 9));

  expect(codehdr_crc32(0, digits, 9) == 0xCBF43926u, "CRC-32 check value");

  /* A device table. */
  file = fopen(devices_path, "w");
  if (file == NULL) return 2;
  fputs("VERSION 3\nDEVICE_MODEL 1A2 ALPHA APP x 17\n", file);
  fclose(file);
  devices = codehdr_devices_new();
  expect(codehdr_devices_load(devices, devices_path, NULL, NULL) == CODEHDR_STATUS_OK, "devices load");

  /* Build, write, verify. */
  deps[0].type = 0;
  deps[0].version = "R01A00";
  deps[1].type = 26;
  deps[1].version = "R04C05.1";
  spec.tag = 17;
  spec.virevuz_version = "R01A02";
  spec.code_version = "P03B04.5";
  spec.comment = "nightly";
  spec.dependencies = deps;
  spec.dependency_count = 2;
  header = codehdr_header_new();
  expect(codehdr_header_build(header, &spec, devices) == CODEHDR_STATUS_OK, "build");
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

  /* The images given, as one release checked against the device table. */
  release = codehdr_release_new();
  for (i = 2; i < (size_t)argc; ++i) {
    sprintf(text, "image%u", (unsigned)(i - 1));
    codehdr_release_add_file(release, text, argv[i]);
    report.header = NULL;
    codehdr_release_get_image(release, i - 2, &report);
    printf("%s: %s, %s, crc %08x\n", text, codehdr_verdict_name(report.verdict), codehdr_status_name(report.status),
           report.has_computed_crc ? (unsigned)report.computed_crc : 0u);
  }
  expect(codehdr_release_check(release, devices, NULL) == CODEHDR_STATUS_OK, "release check");
  for (i = 0; codehdr_release_get_finding(release, i, &finding) == CODEHDR_STATUS_OK; ++i)
    printf("image%u %s: %s\n", (unsigned)finding.image + 1, codehdr_finding_kind_name(finding.kind), finding.reason);

  codehdr_release_free(release);
  codehdr_header_free(received);
  codehdr_header_free(header);
  codehdr_devices_free(devices);
  printf("C consumer: libcodehdr %s, crc32 %08x, %s\n", codehdr_library_version(), (unsigned)written.crc,
         failures == 0 ? "ok" : "FAILED");
  free(devices_path);
  free(image_path);
  return failures == 0 ? 0 : 1;
}
