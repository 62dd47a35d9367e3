// Whole-command timing for the end-to-end table of scripts/bench.sh, and the
// code images it times. Uses only the installed API of the library.
//
//   codehdr_e2e image IMAGE PAYLOAD MIB  a sealed code image with MIB MiB of random
//                                        payload, and the payload alone
//   codehdr_e2e images DIR COUNT        COUNT sealed images of 4 to 64 KiB
//   codehdr_e2e sparse FILE GIB         a sparse file of GIB GiB (zeros, no blocks on disk)
//   codehdr_e2e read-verify FILE OFFSET  verifies FILE as VerifyFile does, reading into a
//                                        page-aligned buffer moved OFFSET bytes past the page
//                                        start (0, or 16 where large malloc blocks start)
//   codehdr_e2e time RUNS CMD... -- YARDSTICK...
//       runs the two commands in turn RUNS times (alternating which goes
//       first), their output thrown away, and prints one line:
//       <median ms> <median peak KiB> <yardstick median ms> <yardstick median peak KiB> <median ratio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <codehdr/codehdr.h>

namespace {

constexpr std::uint8_t kTag = 17;

std::vector<std::uint8_t> BenchHeader() {
  codehdr::DeviceTable devices;
  download_ctl_typ model{};
  std::strcpy(model.code_mode_str, "APP");
  model.tag_id = kTag;
  devices.records.push_back(model);
  codehdr::HeaderSpec spec;
  spec.tag = kTag;
  spec.virevuz_version = "R02B03";
  spec.code_version = "R01A02.3";
  return codehdr::BuildHeader(spec, devices).bytes;
}

bool WriteImage(const std::string& path, std::size_t payloadBytes, std::uint32_t seed,
                const char* payloadPath = nullptr) {
  std::vector<std::uint8_t> payload(payloadBytes);
  std::mt19937 rng(seed);
  for (std::uint8_t& b : payload) b = static_cast<std::uint8_t>(rng());
  const codehdr::WriteReport r = codehdr::WriteImage(path, BenchHeader(), payload.data(), payload.size());
  if (r.status != codehdr::Status::kOk) std::fprintf(stderr, "%s: %s\n", path.c_str(), codehdr::StatusReason(r.status));
  if (payloadPath != nullptr) {
    std::FILE* f = std::fopen(payloadPath, "wb");
    if (f == nullptr || std::fwrite(payload.data(), 1, payload.size(), f) != payload.size()) return false;
    std::fclose(f);
  }
  return r.status == codehdr::Status::kOk;
}

// VerifyFile's loop with the read buffer where the caller puts it: shows what
// a buffer that is not page-aligned costs on this machine.
int ReadVerify(const char* path, std::size_t offset) {
  codehdr::InputFile in(path);
  codehdr::IoBuffer buffer(codehdr::kIoChunkSize + codehdr::kIoBufferAlignment);
  std::uint8_t* const at = buffer.data() + offset % codehdr::kIoBufferAlignment;
  codehdr::ImageVerifier verifier;
  while (const std::size_t got = in.Read(at, codehdr::kIoChunkSize)) verifier.Update(at, got);
  return verifier.Finish(in.status(), in.error()).verdict == codehdr::Verdict::kVerified ? 0 : 1;
}

bool Sparse(const char* path, unsigned long gib) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(gib) << 30) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

struct Run {
  double ms;
  long peakKib;
};

Run Time(std::vector<char*> argv) {
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
    std::fprintf(stderr, "%s did not run\n", argv[0]);
    std::exit(1);
  }
  return {took.count(), usage.ru_maxrss};
}

template <typename T>
T Median(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int TimePair(int runs, std::vector<char*> a, std::vector<char*> b) {
  std::vector<double> aMs, bMs, ratios;
  std::vector<long> aKib, bKib;
  for (int i = 0; i < runs; ++i) {
    Run ra{}, rb{};
    if (i % 2 == 0) {
      ra = Time(a);
      rb = Time(b);
    } else {
      rb = Time(b);
      ra = Time(a);
    }
    aMs.push_back(ra.ms);
    bMs.push_back(rb.ms);
    aKib.push_back(ra.peakKib);
    bKib.push_back(rb.peakKib);
    ratios.push_back(ra.ms / rb.ms);
  }
  std::printf("%.1f %ld %.1f %ld %.2f\n", Median(aMs), Median(aKib), Median(bMs), Median(bKib), Median(ratios));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "image" && argc == 5) return WriteImage(argv[2], std::stoul(argv[4]) << 20, 7, argv[3]) ? 0 : 1;
  if (verb == "images" && argc == 4) {
    std::mt19937 sizes(11);
    for (int i = 0; i < std::atoi(argv[3]); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/image%04d.bin", i);
      if (!WriteImage(argv[2] + std::string(name), (4u << 10) + sizes() % (60u << 10), static_cast<std::uint32_t>(i))) return 1;
    }
    return 0;
  }
  if (verb == "sparse" && argc == 4) return Sparse(argv[2], std::stoul(argv[3])) ? 0 : 1;
  if (verb == "read-verify" && argc == 4) return ReadVerify(argv[2], std::stoul(argv[3]));
  if (verb == "time" && argc > 5) {
    std::vector<char*> a, b;
    bool yardstick = false;
    for (int i = 3; i < argc; ++i) {
      if (!yardstick && std::strcmp(argv[i], "--") == 0) {
        yardstick = true;
      } else {
        (yardstick ? b : a).push_back(argv[i]);
      }
    }
    if (!a.empty() && !b.empty()) return TimePair(std::atoi(argv[2]), a, b);
  }
  std::fprintf(stderr,
               "usage: codehdr_e2e image IMAGE PAYLOAD MIB | images DIR COUNT | sparse FILE GIB |\n"
               "       read-verify FILE OFFSET | time RUNS CMD... -- CMD...\n");
  return 2;
}
