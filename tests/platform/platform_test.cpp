// The operating-system layer: executable path and open file sizes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

using codehdr::platform::ExecutablePath;
using codehdr::platform::OpenFileSize;

TEST(ExecutablePath, IsTheAbsolutePathOfThisTest) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), codehdr::platform::kPathSeparator);
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_test");
  EXPECT_EQ(access(path.c_str(), X_OK), 0);
}

TEST(OpenFileSize, GivesTheSizeOfARegularFile) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite("0123456789", 1, 10, file), 10u);
  std::fflush(file);
  long long size = -1;
  EXPECT_TRUE(OpenFileSize(file, &size));
  EXPECT_EQ(size, 10);
  std::fclose(file);
}

TEST(OpenFileSize, RefusesADirectory) {
  std::FILE* dir = std::fopen("/", "r");
  ASSERT_NE(dir, nullptr);
  long long size = -1;
  EXPECT_FALSE(OpenFileSize(dir, &size));
  EXPECT_EQ(size, -1);
  std::fclose(dir);
}

}  // namespace
