// Reader for the device control file "virevuz.txt".
//
// The file is plain text, read line by line (119 characters per read; a longer
// physical line is read in pieces, each taken as a line of its own). Lines are
// split into tokens at runs of " ,\t\n\r". Keywords are found anywhere in a
// line, case-sensitively:
//   a line holding "VERSION"       gives the version number (token 2, "%d");
//   a line holding "DEVICE_MODEL"  gives one device record:
//       token 2 model_id ("%x"), token 3 model_name, token 4 code_mode_str,
//       token 6 tag_id ("%d"); tokens 1, 5 and beyond 6 are ignored.
// A file is accepted when its last numeric version line gives a number of 0 or
// more and it has at least one model line. The reader prints its messages on
// standard output.
#ifndef CODEHDR_VIREVUZ_TXT_H
#define CODEHDR_VIREVUZ_TXT_H

#include <memory>

#include <codehdr/export.h>

// One model line of the device control file. A field whose token is missing or
// does not convert stays zero or empty.
struct download_ctl_typ {
  unsigned int model_id;
  char model_name[10];     // at most 9 characters, NUL-terminated
  char code_mode_str[10];  // at most 9 characters, NUL-terminated
  int tag_id;              // 0 ends every tag-id search that reaches it
};

class CODEHDR_EXPORT CVireVuzTxt {
 public:
  // Number of records; 0 until a load has counted the models.
  int device_count;
  // device_count records, or null. Shared between objects after assignment.
  download_ctl_typ* device_table;

  CVireVuzTxt();
  ~CVireVuzTxt();
  // Copying shares the table, as assignment does.
  CVireVuzTxt(const CVireVuzTxt& other);
  // Makes this object refer to the other's table (no records are copied).
  // The shared table is released when the last object referring to it goes.
  CVireVuzTxt& operator=(const CVireVuzTxt& other);

  // Reads "virevuz.txt" from the directory of the running executable.
  // Returns 0 (HDR_SUCCESS), 116 (ERR_DEVCTL_OPEN), 117
  // (ERR_DEVCTL_NO_VERSION) or 118 (ERR_DEVCTL_NO_MODELS).
  unsigned short init_device_control();
  // Reads the named file by the same rules, with the same results and
  // messages. For tools and tests that cannot place a file beside their
  // executable.
  unsigned short init_device_control(const char* path);

  // A copy of record `index`, or a record with tag_id 0 (and all other fields
  // zero) when index is outside 0 .. device_count - 1.
  download_ctl_typ GetCtrlTypeAt(int index);

  // Copies the code-mode label of the first record whose tag_id is `tagId`
  // into dst, as a bounded copy of dstSize bytes. A record with tag_id 0 ends
  // the search. When nothing is found, dst is left untouched.
  void GetCodeModeStrFromTagId(unsigned char tagId, char* dst, unsigned int dstSize);

 private:
  // Owner of the array that device_table points into.
  std::shared_ptr<download_ctl_typ[]> table_owner_;
};

#endif  // CODEHDR_VIREVUZ_TXT_H
