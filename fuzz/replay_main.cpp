// Replay driver for builds without libFuzzer: runs every file of the
// directories and files named on the command line through the fuzz target
// once, in sorted order. A crash or sanitizer report ends the run; finding no
// input at all is an error, so that a mistyped corpus path cannot pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (argv[i][0] == '-') continue;  // libFuzzer-style flags
    if (fs::is_directory(argv[i], ec)) {
      for (const auto& entry : fs::recursive_directory_iterator(argv[i])) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (fs::is_regular_file(argv[i], ec)) {
      inputs.push_back(argv[i]);
    } else {
      std::fprintf(stderr, "replay: no such file or directory: %s\n", argv[i]);
    }
  }
  if (inputs.empty()) return std::fprintf(stderr, "replay: no inputs\n"), 2;
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad() || !in.is_open()) return std::fprintf(stderr, "replay: cannot read %s\n", path.c_str()), 2;
    // Named before it runs, so that a crash report points at its input.
    std::fprintf(stderr, "replay: %s\n", path.c_str());
    static const std::uint8_t kNothing = 0;  // an empty input still gets a valid pointer
    LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
  }
  std::printf("replay: %zu inputs ran\n", inputs.size());
  return 0;
}
