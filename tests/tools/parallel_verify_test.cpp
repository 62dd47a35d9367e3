// verify on many threads gives exactly what it gives on one, in argument order.
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

using nlohmann::json;

class ParallelVerifyTest : public ToolTest {};

// Image i: intact, payload byte flipped, resealed with another tag, or cut
// short, by i % 4.
const char* MakeVariant(const Bytes& good, std::size_t i, Bytes& out) {
  out = good;
  switch (i % 4) {
    case 0:
      return "verified";
    case 1:
      out[out.size() - 1 - (i % 200)] ^= static_cast<unsigned char>(1u << (i % 8));
      return "ERR_CRC_MISMATCH";
    case 2:
      out[28] = static_cast<unsigned char>(40 + i % 100);
      Reseal(out);
      return "ERR_TAG_MISMATCH";
    default:
      out.resize(48 + i % 30);
      return nullptr;  // header cut short: no result code
  }
}

TEST_F(ParallelVerifyTest, FourThreadsMatchOneThread) {
  WriteBytes(Path("payload.bin"), PatternBytes(400, 5));
  ASSERT_EQ(Build(Path("payload.bin"), Path("good.bin"), {"--dep", "CONFIG=R01A01", "--dep", "BOOT=R02A01"})
                .exit_code,
            0);
  const Bytes good = ReadBytes(Path("good.bin"));

  constexpr std::size_t kImages = 200;
  std::vector<std::string> args = {"verify", "--json", "--tag", "33"};
  std::vector<const char*> expected;
  for (std::size_t i = 0; i < kImages; ++i) {
    Bytes variant;
    expected.push_back(MakeVariant(good, i, variant));
    args.push_back(Path("img" + std::to_string(i) + ".bin"));
    WriteBytes(args.back(), variant);
  }

  std::vector<std::string> one = args, four = args;
  one.insert(one.begin() + 1, {"-j", "1"});
  four.insert(four.begin() + 1, {"-j", "4"});
  RunResult serial = RunTool(one);
  RunResult parallel = RunTool(four);
  EXPECT_EQ(serial.exit_code, 1);
  EXPECT_EQ(parallel.exit_code, 1);
  ASSERT_EQ(parallel.out, serial.out);

  json results = json::parse(serial.out);
  ASSERT_EQ(results.size(), kImages);
  for (std::size_t i = 0; i < kImages; ++i) {
    EXPECT_EQ(results[i]["file"], args[4 + i]);
    if (expected[i] == nullptr) {
      EXPECT_EQ(results[i]["status"], "failed") << i;
      EXPECT_TRUE(results[i]["code"].is_null()) << i;
    } else if (expected[i] == std::string("verified")) {
      EXPECT_EQ(results[i]["status"], "verified") << i;
    } else {
      EXPECT_EQ(results[i]["code_name"], expected[i]) << i;
    }
  }
}

}  // namespace
}  // namespace codehdr::tooltest
