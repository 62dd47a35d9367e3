// Where the file is looked for, and a file that vanishes between the passes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>
#include <codehdr/virevuz_txt.h>

#include "devctl/device_file.h"
#include "devctl_test_support.h"
#include "platform/platform.h"

namespace {

using codehdr::devctl::DeviceFilePathBeside;

std::string ExecutableDir() {
  const std::string exe = codehdr::platform::ExecutablePath();
  return exe.substr(0, exe.rfind('/') + 1);
}

TEST(DeviceFilePath, IsBesideTheExecutableOrBare) {
  const struct {
    std::string exe;
    std::string expected;
  } cases[] = {{"/opt/tool/bin/host", "/opt/tool/bin/virevuz.txt"},
               {"/host", "/virevuz.txt"},
               {"", "virevuz.txt"},
               {"host", "virevuz.txt"},
               // Directories of 248 and 249 characters give paths of 259 and 260.
               {"/" + std::string(246, 'd') + "/exe", "/" + std::string(246, 'd') + "/virevuz.txt"},
               {"/" + std::string(247, 'd') + "/exe", ""}};
  for (const auto& c : cases) EXPECT_EQ(DeviceFilePathBeside(c.exe), c.expected) << c.exe;
}

TEST(DeviceFilePath, BesideTheRunningExecutable) {
  const std::string expected = ExecutableDir() + "virevuz.txt";
  EXPECT_EQ(codehdr::DeviceFileBesideExecutable(),
            expected.size() <= codehdr::devctl::kMaxDevicePathLen ? expected : std::string());
}

TEST(DeviceFileLocation, NoArgumentFormReadsTheFileBesideTheExecutable) {
  const std::string path = ExecutableDir() + "virevuz.txt";
  if (path.size() > codehdr::devctl::kMaxDevicePathLen) GTEST_SKIP() << "build directory path too long";
  {
    std::ofstream out(path);
    out << "VERSION 4\nDEVICE_MODEL 0xAB LOCAL APP x 12\n";
  }
  CVireVuzTxt table;
  testing::internal::CaptureStdout();
  const unsigned short result = table.init_device_control();
  std::fflush(stdout);
  const std::string printed = testing::internal::GetCapturedStdout();
  std::remove(path.c_str());

  EXPECT_EQ(result, HDR_SUCCESS);
  EXPECT_EQ(printed, "Device Control Version 4\n");
  ASSERT_EQ(table.device_count, 1);
  EXPECT_EQ(table.GetCtrlTypeAt(0).model_id, 0xABu);
}

TEST(DeviceFileLocation, NoArgumentFormWithoutFileNamesTheFullPath) {
  const std::string path = ExecutableDir() + "virevuz.txt";
  if (path.size() > codehdr::devctl::kMaxDevicePathLen) GTEST_SKIP() << "build directory path too long";
  std::remove(path.c_str());
  CVireVuzTxt table;
  testing::internal::CaptureStdout();
  const unsigned short result = table.init_device_control();
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot open Device Control File - " + path + "\n");
  EXPECT_EQ(result, ERR_DEVCTL_OPEN);
}

}  // namespace
