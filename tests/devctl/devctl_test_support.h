// Helpers for device control file tests: temporary files and loads whose
// standard output is captured.
#ifndef CODEHDR_TESTS_DEVCTL_DEVCTL_TEST_SUPPORT_H
#define CODEHDR_TESTS_DEVCTL_DEVCTL_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <codehdr/virevuz_txt.h>

namespace devctl_test {

// A file with the given content, removed when the object goes.
class TempFile {
 public:
  explicit TempFile(const std::string& content) {
    std::string pattern = testing::TempDir() + "virevuz_XXXXXX";
    const int fd = mkstemp(pattern.data());
    EXPECT_GE(fd, 0);
    if (fd >= 0) {
      EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
      close(fd);
    }
    path_ = pattern;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

struct LoadOutcome {
  unsigned short result;
  std::string printed;
};

inline LoadOutcome LoadPath(CVireVuzTxt& table, const char* path) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const unsigned short result = table.init_device_control(path);
  std::fflush(stdout);
  return {result, testing::internal::GetCapturedStdout()};
}

inline LoadOutcome LoadText(CVireVuzTxt& table, const std::string& content) {
  TempFile file(content);
  return LoadPath(table, file.path());
}

}  // namespace devctl_test

#endif  // CODEHDR_TESTS_DEVCTL_DEVCTL_TEST_SUPPORT_H
