#include "scratch_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace codehdr::test {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "codehdr-hardening-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
  const std::string full = PathOf(name);
  std::FILE* f = std::fopen(full.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create " + full);
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string ScratchDir::Write(const std::string& name, const std::string& text) const {
  return Write(name, std::vector<unsigned char>(text.begin(), text.end()));
}

int OpenDescriptorCount() {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++n;
  }
  return n;
}

}  // namespace codehdr::test
