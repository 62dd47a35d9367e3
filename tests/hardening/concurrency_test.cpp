// Several threads at once, each with its own objects, over the data the
// library shares between objects: the constant CRC tables (and the one-time
// choice of the CRC kernel), the code-mode table, and one loaded device table
// read through its lookups. Run under ThreadSanitizer by scripts/tsan.sh; in
// the other builds it checks that every thread gets the single-thread answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/code_header.h>
#include <codehdr/crc.h>

#include "crc/crc_reference.h"
#include "quiet_stdout.h"
#include "scratch_dir.h"

namespace codehdr::test {
namespace {

constexpr int kThreads = 4;

template <class Body>
void RunThreads(Body body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      body(t);
    });
  }
  go.store(true);
  for (std::thread& th : threads) th.join();
}

const char kDevices[] =
    "VERSION 1\n"
    "DEVICE_MODEL 1 ALPHA APP x 17\n"
    "DEVICE_MODEL 2 BETA FPGA x 18\n"
    "DEVICE_MODEL 3 GAMMA LANG x 19\n"
    "DEVICE_MODEL 4 DELTA NOSUCH x 20\n";

// Defined first, so that the threads race for the first CRC of the process.
TEST(Concurrency, CrcOverTheSharedTables) {
  std::vector<unsigned char> data(100000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
  const std::uint32_t want = ReferenceCrc32(data.data(), data.size());
  std::atomic<int> wrong{0};
  RunThreads([&](int t) {
    CCRC engine;
    for (int i = 0; i < 20; ++i) {
      if (i % 5 == 0) {
        const std::size_t len = data.size() - static_cast<std::size_t>(t * 7 + i);
        const std::vector<unsigned char> part(data.begin(), data.begin() + static_cast<long>(len));
        if (codehdr::Crc32(data.data(), len) != ReferenceCrc32(part.data(), part.size())) ++wrong;
      }
      if (engine.GetCRC32(data.data(), static_cast<int>(data.size())) != want) ++wrong;
      if (codehdr::Crc32(data.data(), data.size()) != want) ++wrong;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Concurrency, LookupsOnOneLoadedDeviceTable) {
  ScratchDir dir;
  const std::string path = dir.Write("virevuz.txt", kDevices);
  CVireVuzTxt shared;
  {
    QuietStdout quiet;
    ASSERT_EQ(shared.init_device_control(path.c_str()), HDR_SUCCESS);
  }
  std::atomic<int> wrong{0};
  RunThreads([&](int) {
    for (int round = 0; round < 200; ++round) {
      for (int i = -1; i <= shared.device_count; ++i) {
        const download_ctl_typ rec = shared.GetCtrlTypeAt(i);
        if (rec.tag_id != (i >= 0 && i < 4 ? 17 + i : 0)) ++wrong;
      }
      char label[10] = "";
      shared.GetCodeModeStrFromTagId(18, label, sizeof label);
      if (std::string(label) != "FPGA") ++wrong;
      // Copies share the table; each thread's copy goes away on its own.
      CVireVuzTxt copy;
      copy = shared;
      if (copy.GetCtrlTypeAt(2).tag_id != 19) ++wrong;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Concurrency, BuildAndVerifyWithOwnObjects) {
  ScratchDir dir;
  const std::string devices = dir.Write("virevuz.txt", kDevices);
  std::atomic<int> wrong{0};
  RunThreads([&](int t) {
    CCodeHeader h;
    if (h.Init(devices.c_str()) != HDR_SUCCESS) ++wrong;
    const std::string image = dir.PathOf("image" + std::to_string(t) + ".bin");
    for (int round = 0; round < 30; ++round) {
      const unsigned char tag = static_cast<unsigned char>(17 + (round + t) % 4);
      if (h.InsertHeaderCodeVer("R01A02.3") != 1) ++wrong;
      if (round % 3 == 0) h.AddCodeDependencyToHdr("LANG", "P02B03");
      int result = -1;
      const unsigned short size = h.BuildHeader(tag, "R09Z09", &result);
      if (size == 0 || result != HDR_SUCCESS) {
        ++wrong;
        continue;
      }
      std::vector<unsigned char> file(h.compressedCodeHeader, h.compressedCodeHeader + size);
      for (int i = 0; i < 500 + round; ++i) file.push_back(static_cast<unsigned char>(i ^ t));
      CCRC engine;
      h.InsertCrcIntoHeader(engine.GetCRC32(file.data(), static_cast<int>(file.size())));
      std::copy(h.compressedCodeHeader, h.compressedCodeHeader + size, file.begin());
      std::FILE* f = std::fopen(image.c_str(), "wb");
      if (f == nullptr) {
        ++wrong;
        continue;
      }
      std::fwrite(file.data(), 1, file.size(), f);
      std::fclose(f);
      CCodeHeader checker;
      if (checker.DoVerifyHeader(image.c_str(), 0, tag) != 1) ++wrong;
      if (checker.GetNumCodeDependencies() != h.GetNumCodeDependencies()) ++wrong;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace codehdr::test
