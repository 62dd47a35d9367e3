#include "verify_pool.h"

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "errors.h"
#include "sha256.h"

namespace codehdr::tool {

VerifyReport VerifyInput(const std::string& file, std::uint8_t expected_tag, const ChunkSink& also) {
  InputFile in = file == "-" ? InputFile::StandardInput() : InputFile(file);
  return codehdr::VerifyInput(in, expected_tag, also);
}

namespace {

unsigned int ThreadCount(unsigned int jobs, std::size_t files) {
  if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned int>(std::min<std::size_t>(jobs, std::max<std::size_t>(files, 1)));
}

// `hash`, when there is one, sees every byte and is ready for the next file
// afterwards.
void VerifyOne(const std::string& file, std::uint8_t expected_tag, Sha256* hash, VerifyOutcome& result) {
  if (hash == nullptr) {
    result.report = VerifyInput(file, expected_tag);
    return;
  }
  result.report = VerifyInput(file, expected_tag, [hash](const std::uint8_t* data, std::size_t size) {
    hash->Update(data, size);
  });
  const Sha256::Digest digest = hash->Finish();
  if (!IsFileStatus(result.report.status)) result.sha256 = HexDigest(digest);
}

// Takes the next unclaimed index until none is left. One hash serves every
// file of the thread; after a failure it is made anew.
void Worker(const std::vector<std::string>& files, std::uint8_t expected_tag, bool sha256,
            std::atomic<std::size_t>& next, std::vector<VerifyOutcome>& results) {
  std::unique_ptr<Sha256> hash;
  for (std::size_t i = next++; i < files.size(); i = next++) {
    try {
      if (sha256 && hash == nullptr) hash = std::make_unique<Sha256>();
      VerifyOne(files[i], expected_tag, hash.get(), results[i]);
    } catch (const std::exception& e) {  // out of memory: report it, go on with the rest
      results[i].exception = e.what();
      results[i].report.status = Status::kOutOfMemory;
      hash.reset();
    }
  }
}

}  // namespace

std::vector<VerifyOutcome> VerifyAll(const std::vector<std::string>& files, unsigned int jobs,
                                     std::uint8_t expected_tag, bool sha256) {
  std::vector<VerifyOutcome> results(files.size());
  std::atomic<std::size_t> next{0};
  const unsigned int threads = ThreadCount(jobs, files.size());
  if (threads == 1) {
    Worker(files, expected_tag, sha256, next, results);
    return results;
  }
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (unsigned int t = 0; t < threads; ++t) {
    pool.emplace_back(Worker, std::cref(files), expected_tag, sha256, std::ref(next), std::ref(results));
  }
  for (std::thread& thread : pool) thread.join();
  return results;
}

}  // namespace codehdr::tool
