// The corpus replay of a build without libFuzzer: runs the fuzz target it is
// linked with once over every file named, or found in a directory named. Each
// input lies in an allocation of its exact size, as under libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!fs::is_directory(argv[i])) inputs.emplace_back(argv[i]);
    if (fs::is_directory(argv[i])) inputs.insert(inputs.end(), fs::directory_iterator(argv[i]), {});
  }
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::fprintf(stderr, "replay: cannot read %s\n", path.c_str()), 1;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
