// The corpus replay of a build without libFuzzer: runs the fuzz target it is linked with once over every file in the
// directories named. Each input lies in an allocation of its exact size, as under libFuzzer.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {  // throws if it is none
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
      std::copy(bytes.begin(), bytes.end(), data.get());
      LLVMFuzzerTestOneInput(data.get(), bytes.size());
      ++inputs;
    }
  }
  return inputs == 0;  // an empty or misnamed corpus fails
}
