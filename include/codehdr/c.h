/* The C interface of libcodehdr, for hosts built with another compiler and for
 * other languages. Compiles as C99 and as C++.
 *
 * Rules that hold for every function:
 * - A function that returns int returns a status (the codehdr_status values;
 *   0 is CODEHDR_STATUS_OK), unless it says it returns 1 or 0.
 * - A null pointer where an object, a buffer or a struct is required gives
 *   CODEHDR_STATUS_INVALID_ARGUMENT; a null buffer of size 0 is an empty one.
 * - Running out of memory gives CODEHDR_STATUS_OUT_OF_MEMORY (a _new function
 *   returns NULL). No C++ exception leaves the library. A function that fails
 *   with either of these two statuses changes no object and writes no struct.
 * - Structs that may grow start with `size_t struct_size`, which the caller
 *   sets to the size of the struct it was compiled with (in C++, zero the
 *   struct first and set the field):
 *       codehdr_verify_report report = {.struct_size = sizeof report};
 *   A struct_size smaller than the struct's first version is refused with
 *   CODEHDR_STATUS_INVALID_ARGUMENT; the library reads and writes no byte past
 *   struct_size. Structs without it (codehdr_dependency, codehdr_section)
 *   mirror fixed records of the header layout and never grow.
 * - Strings and arrays handed out stay valid until the object that holds them
 *   is freed or filled again. Text read from a header is its bytes up to the
 *   first NUL.
 * - File names are UTF-8. No FILE* crosses this interface: inputs are paths,
 *   byte ranges, or chunks the caller feeds.
 * - An object serves one thread at a time; the functions that take no object
 *   may run on any number of threads at once. */
#ifndef CODEHDR_C_H
#define CODEHDR_C_H

#include <stddef.h>
#include <stdint.h>

#include <codehdr/export.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Statuses -------------------------------------------------------------
 * The values of codehdr::Status; new ones are only ever added at the end. */
typedef enum codehdr_status {
  CODEHDR_STATUS_OK = 0,
  CODEHDR_STATUS_FILE_OPEN,
  CODEHDR_STATUS_FILE_NOT_REGULAR,
  CODEHDR_STATUS_FILE_READ,
  CODEHDR_STATUS_FILE_SHRANK,
  CODEHDR_STATUS_FILE_WRITE,
  CODEHDR_STATUS_NO_HEADER,
  CODEHDR_STATUS_OLD_STYLE_HEADER,
  CODEHDR_STATUS_HEADER_TRUNCATED,
  CODEHDR_STATUS_HEADER_TOO_SMALL,
  CODEHDR_STATUS_GUARD_BYTES,
  CODEHDR_STATUS_VIREVUZ_VERSION,
  CODEHDR_STATUS_MANDATORY_SIZE,
  CODEHDR_STATUS_CRC_MISMATCH,
  CODEHDR_STATUS_TAG_MISMATCH,
  CODEHDR_STATUS_HEADER_CODE_VERSION,
  CODEHDR_STATUS_RESERVED_BYTE,
  CODEHDR_STATUS_SECTION_OVERRUN,
  CODEHDR_STATUS_HEADER_DEPENDENCY_VERSION,
  CODEHDR_STATUS_BUFFER_TOO_SMALL,
  CODEHDR_STATUS_NO_CODE_MODE,
  CODEHDR_STATUS_CODE_MODE_TOO_LARGE,
  CODEHDR_STATUS_CODE_VERSION_EMPTY,
  CODEHDR_STATUS_CODE_VERSION,
  CODEHDR_STATUS_TOO_MANY_SECTIONS,
  CODEHDR_STATUS_UNKNOWN_LABEL,
  CODEHDR_STATUS_DEPENDENCY_VERSION,
  CODEHDR_STATUS_DEVCTL_OPEN,
  CODEHDR_STATUS_DEVCTL_PATH_TOO_LONG,
  CODEHDR_STATUS_DEVCTL_NO_VERSION,
  CODEHDR_STATUS_DEVCTL_NO_MODELS,
  CODEHDR_STATUS_OUT_OF_MEMORY,
  CODEHDR_STATUS_INVALID_ARGUMENT,
  CODEHDR_STATUS_VIREVUZ_TOO_LONG,
  CODEHDR_STATUS_COMMENT,
  CODEHDR_STATUS_OUTPUT_IS_INPUT
} codehdr_status;

/* The status's short name ("ok", "crc_mismatch", ...); NULL for a number
 * that is no status. */
CODEHDR_EXPORT const char* codehdr_status_name(int status);
/* One line saying what failed; NULL for a number that is no status. */
CODEHDR_EXPORT const char* codehdr_status_reason(int status);
/* 1 for the statuses that say a file could not be opened, read or written
 * (FILE_OPEN ... FILE_WRITE, DEVCTL_OPEN, DEVCTL_PATH_TOO_LONG), else 0. */
CODEHDR_EXPORT int codehdr_status_is_file_error(int status);
/* The classic API's result code for the status (1050 for crc_mismatch);
 * 0 for ok, for statuses the classic API has no code for, and for a number
 * that is no status. */
CODEHDR_EXPORT int codehdr_status_classic_code(int status);
/* The name of a classic result code ("ERR_CRC_MISMATCH"); NULL for none. */
CODEHDR_EXPORT const char* codehdr_classic_code_name(int code);
/* The library's version, e.g. "1.1.0". */
CODEHDR_EXPORT const char* codehdr_library_version(void);

/* ---- Checksums ------------------------------------------------------------
 * Both continue from `crc` over any number of bytes, so a long input can be
 * fed piece by piece: crc32(crc32(0, a, n), a + n, m) == crc32(0, a, n + m).
 * A null `data` leaves `crc` as it is. */

/* CRC-32/ISO-HDLC (the values of zlib's crc32); start from 0. */
CODEHDR_EXPORT uint32_t codehdr_crc32(uint32_t crc, const void* data, size_t size);

/* As codehdr_crc32, over a large buffer in memory: pieces of at least 16 MiB
 * go to up to `threads` threads (0: up to 4, and no more than the processor
 * has) and their CRCs are combined. Smaller buffers get the caller's thread. */
CODEHDR_EXPORT uint32_t codehdr_crc32_parallel(uint32_t crc, const void* data, size_t size, unsigned threads);

/* The CRC-32 of A followed by B, from the CRC-32 of A, that of B and B's
 * size: pieces checked apart (on several threads, say) give the CRC of the
 * whole. */
CODEHDR_EXPORT uint32_t codehdr_crc32_combine(uint32_t crc_a, uint32_t crc_b, uint64_t size_b);

#define CODEHDR_CRC16_INIT 0xFFFFu
/* CRC-16/IBM-3740; start from CODEHDR_CRC16_INIT. */
CODEHDR_EXPORT uint16_t codehdr_crc16(uint16_t crc, const void* data, size_t size);
/* The CRC-32 kernel in use: "table", "slice", "pclmul-sse", "pclmul",
 * "avx2" or "avx512" on x86, "crc32" or "pmull" on ARM. */
CODEHDR_EXPORT const char* codehdr_crc32_kernel(void);

/* ---- Version strings ("R01A02.3") ------------------------------------------ */

/* Room for the longest version string and its NUL. */
#define CODEHDR_VERSION_TEXT_SIZE 17

/* 1 when the first `count` characters of `text` pass the format check (a
 * prefix check: it stops with success at a NUL or a space), else 0. A count
 * of 0 accepts any text, a count above 16 none; a null text fails. */
CODEHDR_EXPORT int codehdr_version_check(const char* text, size_t count);

typedef struct codehdr_version {
  size_t struct_size;
  int major;
  int minor;
  char letter; /* the release letter; NUL when the text is too short to hold one */
  int build;   /* the build number, -1 when there is none */
} codehdr_version;

/* Splits a version string that passes the check over 16 characters into
 * `out`. Returns 1, or 0 when the text is no version string (or a pointer is
 * null, or out->struct_size is too small). */
CODEHDR_EXPORT int codehdr_version_parse(const char* text, codehdr_version* out);

/* Writes "R01A02.3" from its parts into `out` (out_size bytes, at least
 * the string's length and its NUL; CODEHDR_VERSION_TEXT_SIZE always does).
 * build is 0 to 9, or -1 for none; the release letter is upper-cased;
 * prelim nonzero gives 'P' instead of 'R'. Returns 1, or 0 when a part is out
 * of range, out is null or too small. */
CODEHDR_EXPORT int codehdr_version_make(unsigned major, unsigned minor, char release, int build, int prelim,
                                        char* out, size_t out_size);

/* ---- Device control file ("virevuz.txt") ---------------------------------- */

typedef struct codehdr_devices codehdr_devices;

typedef struct codehdr_device {
  size_t struct_size;
  unsigned int model_id;
  const char* model_name;
  const char* code_mode; /* the code-mode label */
  int tag_id;
} codehdr_device;

/* Receives each message of the reader ("Device Control Version 3"),
 * without its line end. */
typedef void (*codehdr_message_fn)(void* context, const char* line);

/* An empty table; NULL when out of memory. */
CODEHDR_EXPORT codehdr_devices* codehdr_devices_new(void);
CODEHDR_EXPORT void codehdr_devices_free(codehdr_devices* devices);
/* Reads the device control file at `path` into `devices`: CODEHDR_STATUS_OK,
 * or with the table as it was FILE_NOT_REGULAR (at once: a FIFO, a device),
 * DEVCTL_OPEN, DEVCTL_NO_VERSION or DEVCTL_NO_MODELS. Each message goes to
 * `messages` (may be NULL) with `context`. */
CODEHDR_EXPORT int codehdr_devices_load(codehdr_devices* devices, const char* path, codehdr_message_fn messages,
                                        void* context);
/* The number of records; 0 for NULL. */
CODEHDR_EXPORT size_t codehdr_devices_count(const codehdr_devices* devices);
/* Record `index`, in file order. */
CODEHDR_EXPORT int codehdr_devices_get(const codehdr_devices* devices, size_t index, codehdr_device* out);

/* ---- Code headers: read, check, build ------------------------------------ */

typedef enum codehdr_header_form {
  CODEHDR_FORM_NONE = 0,   /* neither form of header (also 0xC9 with a total size of 4 or less) */
  CODEHDR_FORM_OLD_STYLE,  /* four equal bytes other than 0xC9 */
  CODEHDR_FORM_NEW_STYLE,  /* 0xC9 and a total size from 48 up to the bytes given */
  CODEHDR_FORM_MALFORMED   /* 0xC9, but the header does not fit its own size */
} codehdr_header_form;

/* A header form's name ("none", "old_style", "new_style", "malformed"); NULL
 * for a number that is none. */
CODEHDR_EXPORT const char* codehdr_header_form_name(int form);

/* One dependency: a 16-bit type and a version string. */
typedef struct codehdr_dependency {
  uint16_t type;
  const char* version;
} codehdr_dependency;

/* One optional section as the section walk finds it. */
typedef struct codehdr_section {
  size_t offset; /* of its type byte, from the start of the header */
  uint8_t type;
  uint8_t length; /* its length byte L; the next section is 2 + L on */
} codehdr_section;

/* A header and what was found out about it: filled by codehdr_header_read,
 * codehdr_header_check and codehdr_header_build, and by the verify and
 * extract functions when their report names it. */
typedef struct codehdr_header codehdr_header;

typedef struct codehdr_header_info {
  size_t struct_size;
  int form;    /* codehdr_header_form */
  int problem; /* OK for a new-style header, else NO_HEADER, OLD_STYLE_HEADER,
                  HEADER_TRUNCATED or HEADER_TOO_SMALL */
  /* New-style: the declared total size. Old-style: 4. Malformed: the declared
   * total size when the bytes hold it, else 0. None: 0. */
  uint16_t total_size;
  uint8_t tag; /* old-style and new-style */
  /* The rest is filled for a new-style header only (0, or "" for text). */
  const char* virevuz_version;
  uint16_t mandatory_size;
  uint32_t stored_crc;
  uint8_t code_mode;
  const char* code_version;
  uint8_t section_count; /* the header's count byte */
  uint8_t reserved;
  const char* comment; /* the last comment section's text (at most 31 characters); NULL when none */
  uint8_t comment_length;
  size_t sections;     /* found by the section walk: codehdr_header_section */
  size_t dependencies; /* the type-2 sections: codehdr_header_dependency */
  /* The header's bytes: a new-style header's total size, the 4 of an old-style
   * one (read, build); as many as a verified file held of them (verify); none
   * otherwise and after an extraction. */
  const uint8_t* bytes;
  size_t byte_count;
} codehdr_header_info;

/* An empty header object (form NONE); NULL when out of memory. */
CODEHDR_EXPORT codehdr_header* codehdr_header_new(void);
CODEHDR_EXPORT void codehdr_header_free(codehdr_header* header);

/* Reads the header at the start of `size` bytes into `header`. OK whatever
 * the bytes hold: their form and problem are in the info. Nothing is read
 * outside the bytes given. */
CODEHDR_EXPORT int codehdr_header_read(codehdr_header* header, const void* data, size_t size);
CODEHDR_EXPORT int codehdr_header_get_info(const codehdr_header* header, codehdr_header_info* out);
/* Section `index` (0 .. info.sections - 1). */
CODEHDR_EXPORT int codehdr_header_get_section(const codehdr_header* header, size_t index, codehdr_section* out);
/* Dependency `index` (0 .. info.dependencies - 1). */
CODEHDR_EXPORT int codehdr_header_get_dependency(const codehdr_header* header, size_t index,
                                                 codehdr_dependency* out);

/* The outcome of the field-by-field check of a new-style header. */
typedef struct codehdr_header_check_result {
  size_t struct_size;
  int checked; /* 1 when the object holds a check, else 0 and the rest is zero */
  int status;  /* OK, or the first failing check */
  /* The bytes the failing check found wrong, from the start of the header;
   * 0 and 0 when the check passed. */
  size_t fault_offset;
  size_t fault_size;
  const char* code_version; /* once it passed its check, else NULL */
  /* 1 once the section walk began; then `dependencies` were read, in order,
   * up to the failing section (codehdr_header_get_check_dependency). This
   * walk reads every section that is not a comment as a 20-byte dependency. */
  int walked;
  size_t dependencies;
} codehdr_header_check_result;

/* Reads the header of `size` bytes (a whole new-style header) as
 * codehdr_header_read does, then checks them field by field in a fixed
 * order; the first failing check decides. expected_tag 0 accepts any tag;
 * crc 0 skips the CRC comparison (pass the CRC-32 of the whole file computed
 * with the CRC field as zero). Returns the check's status (OK when it passed);
 * `out` may be NULL. */
CODEHDR_EXPORT int codehdr_header_check(codehdr_header* header, const void* data, size_t size, uint8_t expected_tag,
                                        uint32_t crc, codehdr_header_check_result* out);
/* The check the object holds: from codehdr_header_check, or from verifying a
 * file whose new-style header was checked. */
CODEHDR_EXPORT int codehdr_header_get_check(const codehdr_header* header, codehdr_header_check_result* out);
/* Dependency `index` of the check's section walk (0 .. result.dependencies - 1). */
CODEHDR_EXPORT int codehdr_header_get_check_dependency(const codehdr_header* header, size_t index,
                                                       codehdr_dependency* out);

/* The field map of the header's bytes (the info's `bytes`), in offset order:
 * the mandatory fields as far as the bytes go, each section's head and
 * payload as the section walk finds them, then bytes in no section. A fixed
 * record: it never grows. */
typedef struct codehdr_header_field {
  size_t offset; /* from the start of the header */
  size_t size;   /* never 0; the field lies inside the bytes */
  int kind;      /* codehdr_header_field_name and _label explain it */
  int section;   /* the section's number from 1 for its fields, else 0 */
  int cut_off;   /* 1 when the bytes end inside the field */
} codehdr_header_field;

/* Writes the first `capacity` fields into `out` (may be NULL when capacity
 * is 0) and returns how many fields there are; 0 for a NULL header, and
 * when out of memory. */
CODEHDR_EXPORT size_t codehdr_header_fields(const codehdr_header* header, codehdr_header_field* out, size_t capacity);
/* A field kind's snake_case name ("crc32") and its label ("CRC-32"); NULL
 * for a number that is no kind. */
CODEHDR_EXPORT const char* codehdr_header_field_name(int kind);
CODEHDR_EXPORT const char* codehdr_header_field_label(int kind);
/* The bytes to mark as wrong in the header's bytes: those of its failing
 * check, or the total size of a malformed header. Returns 1 and sets
 * `offset` and `size`, or 0 (nothing wrong, or a NULL argument). */
CODEHDR_EXPORT int codehdr_header_faulty_bytes(const codehdr_header* header, size_t* offset, size_t* size);

/* What a new header holds. Every text is written whole or refused, never
 * cut. */
typedef struct codehdr_header_spec {
  size_t struct_size;
  uint8_t tag;
  const char* virevuz_version; /* at most 15 characters; may be "" */
  const char* code_version;    /* 1 to 16 characters */
  const char* comment;         /* NULL: no comment section; else at most 31 characters */
  /* NULL: the label of the device table's first record for the tag. */
  const char* code_mode_label;
  const codehdr_dependency* dependencies; /* in order; each version at most 16 characters */
  size_t dependency_count;
} codehdr_header_spec;

/* Builds a new-style header (CRC field zero) into `header`; its bytes are in
 * the info, and it passes codehdr_header_check. The code mode comes from
 * spec->code_mode_label or else from `devices` (then required) and the
 * code-mode table (a label that is not in the table gives 201). Fails, in
 * the order of the header's fields, with VIREVUZ_TOO_LONG, VIREVUZ_VERSION,
 * NO_CODE_MODE, CODE_MODE_TOO_LARGE, CODE_VERSION_EMPTY, CODE_VERSION,
 * COMMENT, DEPENDENCY_VERSION (malformed or over 16 characters) or
 * TOO_MANY_SECTIONS, leaving `header` as it was. */
CODEHDR_EXPORT int codehdr_header_build(codehdr_header* header, const codehdr_header_spec* spec,
                                        const codehdr_devices* devices);

/* The code-mode table: the labels device control files and dependencies use
 * and the value each puts into a header. */
CODEHDR_EXPORT size_t codehdr_code_mode_count(void);
/* Row `index`: its value and its label (static text). */
CODEHDR_EXPORT int codehdr_code_mode_at(size_t index, uint16_t* value, const char** label);
/* The value of the first row labelled `label` (case-sensitive), or
 * UNKNOWN_LABEL. */
CODEHDR_EXPORT int codehdr_code_mode_value(const char* label, uint16_t* value);
/* Label `index` (from 0) of the code-mode value `value`, in table order
 * (static text); NULL past its last label. */
CODEHDR_EXPORT const char* codehdr_code_mode_label(uint16_t value, size_t index);
/* "BOOT/BOOTLDR (0)", or "77 (no label)", into `out` (out_size bytes, cut
 * and terminated when short; NULL when out_size is 0). Returns the text's
 * whole length, as snprintf does. */
/* (0 and "" when out of memory.) */
CODEHDR_EXPORT size_t codehdr_code_mode_text(uint16_t value, char* out, size_t out_size);
/* `text` made printable as the tool prints header text: every byte outside
 * 0x20..0x7E as \xNN, and "\" as "\\". Written and returned as
 * codehdr_code_mode_text does; a NULL text is "". */
CODEHDR_EXPORT size_t codehdr_printable(const char* text, char* out, size_t out_size);
/* The type of a dependency named by its code-mode label: OK, UNKNOWN_LABEL
 * or DEPENDENCY_VERSION (the version is malformed or over 16 characters). */
CODEHDR_EXPORT int codehdr_dependency_type(const char* label, const char* version, uint16_t* type);

/* ---- Whole images: verify, write, extract --------------------------------- */

typedef enum codehdr_verdict {
  CODEHDR_VERDICT_VERIFIED = 0, /* a new-style header that passes every check, CRC included */
  CODEHDR_VERDICT_NOT_CHECKED,  /* no new-style header to check (status says why); a pass */
  CODEHDR_VERDICT_FAILED        /* the header or the CRC is wrong, or the file cannot be read */
} codehdr_verdict;

/* A verdict's name ("verified", "not_checked", "failed"); NULL for a number
 * that is none. */
CODEHDR_EXPORT const char* codehdr_verdict_name(int verdict);

typedef struct codehdr_verify_report {
  size_t struct_size;
  /* In: NULL, or a header object that receives the image's header, its
   * bytes and its check. */
  codehdr_header* header;
  int verdict; /* codehdr_verdict */
  /* OK when verified; otherwise the failing check, the file error, or why
   * nothing was checked. */
  int status;
  int os_error; /* errno for file statuses, else 0 */
  uint64_t file_size;
  /* The CRC-32 of the whole image with its CRC field as zero, computed for
   * images that start with 0xC9. */
  int has_computed_crc;
  uint32_t computed_crc;
  /* Where the failing check of a new-style header found the fault. */
  size_t fault_offset;
  size_t fault_size;
} codehdr_verify_report;

/* Verifies the code image file at `path` against its header and CRC-32,
 * reading it once, front to back, in constant memory. expected_tag 0 accepts
 * any tag. Returns the report's status: 0 only when verified. `report` may
 * be NULL. */
CODEHDR_EXPORT int codehdr_verify_file(const char* path, uint8_t expected_tag, codehdr_verify_report* report);
/* As codehdr_verify_file, for an image of `size` bytes in memory. */
CODEHDR_EXPORT int codehdr_verify_bytes(const void* data, size_t size, uint8_t expected_tag,
                                        codehdr_verify_report* report);

/* Verifies an image that the caller feeds in chunks, in order and of any
 * sizes (from a socket, an archive): the report is the one
 * codehdr_verify_bytes gives for the chunks put together. Only the header's
 * bytes are kept. */
typedef struct codehdr_verifier codehdr_verifier;

/* NULL when out of memory. */
CODEHDR_EXPORT codehdr_verifier* codehdr_verifier_new(uint8_t expected_tag);
CODEHDR_EXPORT void codehdr_verifier_free(codehdr_verifier* verifier);
/* The next `size` bytes of the image. */
CODEHDR_EXPORT int codehdr_verifier_update(codehdr_verifier* verifier, const void* data, size_t size);
/* Bytes fed so far; 0 for NULL. */
CODEHDR_EXPORT uint64_t codehdr_verifier_size(const codehdr_verifier* verifier);
/* The report for the bytes fed so far; returns its status. `read_status` is
 * OK, or the file status of the caller's failed read (FILE_READ, ...), which
 * makes the report a failure with that status and `os_error`. Afterwards the
 * verifier is empty again, ready for another image with the same expected
 * tag. `report` may be NULL. */
CODEHDR_EXPORT int codehdr_verifier_finish(codehdr_verifier* verifier, int read_status, int os_error,
                                           codehdr_verify_report* report);

typedef struct codehdr_write_report {
  size_t struct_size;
  int status;
  int os_error;  /* errno for file statuses, else 0 */
  uint64_t size; /* bytes written */
  uint32_t crc;  /* the CRC-32 stored in the image */
} codehdr_write_report;

/* Writes the code image `output` in one pass: `header` (a built header) with
 * its CRC field zero, the payload while the CRC-32 runs over every byte, then
 * the CRC into the header. The file appears whole or not at all: on failure
 * `output` is untouched and nothing is left behind. A header shorter than 28
 * bytes is refused with BUFFER_TOO_SMALL. `report` may be NULL. */
CODEHDR_EXPORT int codehdr_write_image(const char* output, const void* header, size_t header_size,
                                       const void* payload, size_t payload_size, codehdr_write_report* report);
/* As codehdr_write_image, with the payload read from the file `payload_path`
 * once, front to back. */
CODEHDR_EXPORT int codehdr_write_image_from_file(const char* output, const void* header, size_t header_size,
                                                 const char* payload_path, codehdr_write_report* report);

typedef struct codehdr_extract_report {
  size_t struct_size;
  /* In: NULL, or a header object that receives the header taken off (its
   * bytes are not kept). */
  codehdr_header* header;
  int status;
  int os_error;  /* errno for file statuses, else 0 */
  uint64_t size; /* payload bytes written */
} codehdr_extract_report;

/* Writes the payload of the code image `image` to `output`: the bytes after
 * a new-style or an old-style header. An image without a header is refused
 * with NO_HEADER unless `raw` is nonzero, when it is copied whole; a
 * malformed header is refused with its problem. The CRC is not checked.
 * `output` appears whole or not at all. `report` may be NULL. */
CODEHDR_EXPORT int codehdr_extract_payload(const char* image, const char* output, int raw,
                                           codehdr_extract_report* report);

/* ---- Releases: images that ship together -------------------------------- *
 * A release collects the verification of each image (read once, as
 * codehdr_verify_file reads it) and checks the set against a device table:
 * every image verified; its tag is a device model of the table and its code
 * mode that model's label's value; its VireVuz version is the required one;
 * no two images for one tag and code mode carry different code versions;
 * every dependency is provided by another image (unless its code mode may be
 * missing); no image depends on itself, directly or through a cycle. */

typedef struct codehdr_release codehdr_release;

typedef enum codehdr_finding_kind {
  CODEHDR_FINDING_IMAGE_FAILED = 0,   /* failed verification or could not be read */
  CODEHDR_FINDING_NOT_CHECKED,        /* no new-style header: nothing to check it against */
  CODEHDR_FINDING_UNKNOWN_TAG,        /* no device model of the table has the image's tag */
  CODEHDR_FINDING_CODE_MODE_MISMATCH, /* the code mode is not the value of the model's label */
  CODEHDR_FINDING_VIREVUZ_MISMATCH,   /* the VireVuz version is not the required one */
  CODEHDR_FINDING_DUPLICATE,          /* another image for the tag and code mode has another code version */
  CODEHDR_FINDING_DEPENDENCY_NOT_MET, /* no other image has the dependency's code mode and version */
  CODEHDR_FINDING_DEPENDENCY_CYCLE    /* the image depends on itself, directly or through others */
} codehdr_finding_kind;

typedef enum codehdr_dependency_state {
  CODEHDR_DEPENDENCY_MET = 0,         /* another image provides it */
  CODEHDR_DEPENDENCY_ALLOWED_MISSING, /* nothing provides it, and its code mode may be missing */
  CODEHDR_DEPENDENCY_NOT_MET,         /* nothing provides it */
  CODEHDR_DEPENDENCY_SELF             /* the image itself has the dependency's code mode and version */
} codehdr_dependency_state;

/* A finding or a dependency names at most this many other images. */
#define CODEHDR_MAX_NAMED_IMAGES 8
/* The `dependency` of a finding that concerns no single dependency. */
#define CODEHDR_NO_DEPENDENCY ((size_t)-1)

typedef struct codehdr_release_options {
  size_t struct_size;
  const char* virevuz_version;      /* NULL or "": any */
  const char* const* allow_missing; /* code-mode labels whose dependencies may be absent */
  size_t allow_missing_count;
} codehdr_release_options;

typedef struct codehdr_finding {
  size_t struct_size;
  int kind;     /* codehdr_finding_kind */
  size_t image; /* the index of the image it concerns, in the order added */
  /* Other images it names: the closest candidates of an unmet dependency,
   * the other versions of a duplicate, the other images of a cycle. */
  const size_t* others;
  size_t other_count;
  /* For DEPENDENCY_NOT_MET, and for DEPENDENCY_CYCLE when the image provides
   * its own dependency: the index of the dependency in the image's header
   * (codehdr_header_get_dependency); CODEHDR_NO_DEPENDENCY otherwise. */
  size_t dependency;
  const char* reason; /* one line of printable ASCII */
} codehdr_finding;

/* One dependency of a verified image, in image order and then header order. */
typedef struct codehdr_dependency_link {
  size_t struct_size;
  size_t image;
  size_t dependency; /* its index in the image's header */
  int state;         /* codehdr_dependency_state */
  /* Verified images other than `image` with the dependency's code mode and
   * version: the first CODEHDR_MAX_NAMED_IMAGES, and how many there are. */
  const size_t* providers;
  size_t provider_named;
  size_t provider_count;
} codehdr_dependency_link;

/* An empty release; NULL when out of memory. */
CODEHDR_EXPORT codehdr_release* codehdr_release_new(void);
CODEHDR_EXPORT void codehdr_release_free(codehdr_release* release);
/* Verifies the image file at `path` (any tag), reading it once, and adds it
 * under `name` (NULL: the path). An image that fails verification or cannot
 * be read is added all the same: the check reports it, and
 * codehdr_release_get_image gives its verification. Returns OK once added. */
CODEHDR_EXPORT int codehdr_release_add_file(codehdr_release* release, const char* name, const char* path);
/* As codehdr_release_add_file, for an image of `size` bytes in memory. */
CODEHDR_EXPORT int codehdr_release_add_bytes(codehdr_release* release, const char* name, const void* data,
                                             size_t size);
/* Adds the image a chunk-fed verifier was fed, finishing the verifier as
 * codehdr_verifier_finish does (with `read_status` and `os_error`). */
CODEHDR_EXPORT int codehdr_release_add_verifier(codehdr_release* release, const char* name,
                                                codehdr_verifier* verifier, int read_status, int os_error);
/* The number of images added; 0 for NULL. */
CODEHDR_EXPORT size_t codehdr_release_image_count(const codehdr_release* release);
/* The name of image `index`; NULL when there is none. */
CODEHDR_EXPORT const char* codehdr_release_image_name(const codehdr_release* release, size_t index);
/* The verification of image `index`, as it was added (its header into
 * report->header when that names a header object). */
CODEHDR_EXPORT int codehdr_release_get_image(const codehdr_release* release, size_t index,
                                             codehdr_verify_report* report);
/* Checks the images added so far against `devices`; `options` may be NULL
 * (any VireVuz version, no code mode may be missing). Returns OK when the
 * check ran, whatever it found, or UNKNOWN_LABEL when a label of
 * allow_missing is not in the code-mode table (nothing is checked then). The
 * findings and dependencies replace those of an earlier check; the release is
 * consistent when the check ran and found nothing. */
CODEHDR_EXPORT int codehdr_release_check(codehdr_release* release, const codehdr_devices* devices,
                                         const codehdr_release_options* options);
/* The findings of the last check, by image. */
CODEHDR_EXPORT size_t codehdr_release_finding_count(const codehdr_release* release);
CODEHDR_EXPORT int codehdr_release_get_finding(const codehdr_release* release, size_t index, codehdr_finding* out);
/* The dependencies of the last check. */
CODEHDR_EXPORT size_t codehdr_release_dependency_count(const codehdr_release* release);
CODEHDR_EXPORT int codehdr_release_get_dependency(const codehdr_release* release, size_t index,
                                                  codehdr_dependency_link* out);
/* A finding kind's short name ("dependency_not_met"); NULL for a number that
 * is no kind. */
CODEHDR_EXPORT const char* codehdr_finding_kind_name(int kind);
/* A dependency state's name ("met", "allowed_missing", "not_met", "self");
 * NULL for a number that is none. */
CODEHDR_EXPORT const char* codehdr_dependency_state_name(int state);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CODEHDR_C_H */
