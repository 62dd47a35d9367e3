// Replay driver for builds without libFuzzer: runs every file of the
// directories and files named on the command line through the fuzz target
// once, in a stable (sorted) order. A crash or sanitizer report ends the run;
// otherwise it prints how many inputs ran. Finding no input at all is an
// error, so that a mistyped corpus path cannot pass silently.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CollectInputs(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    if (!arg.empty() && arg.native()[0] == '-') continue;  // libFuzzer-style flags
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (fs::is_regular_file(arg, ec)) {
      inputs.push_back(arg);
    } else {
      std::fprintf(stderr, "replay: no such file or directory: %s\n", argv[i]);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

bool ReadWhole(const fs::path& path, std::vector<std::uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<fs::path> inputs = CollectInputs(argc, argv);
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 2;
  }
  std::vector<std::uint8_t> data;
  for (const fs::path& path : inputs) {
    if (!ReadWhole(path, &data)) {
      std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
      return 2;
    }
    // Named before it runs, so that a crash report points at its input.
    std::fprintf(stderr, "replay: %s\n", path.c_str());
    // An empty vector has no valid data pointer; hand over a real one.
    static const std::uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
  }
  std::printf("replay: %zu inputs ran\n", inputs.size());
  return 0;
}
