// Test support on Linux: /proc for open descriptors, posix_spawn for child processes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

#include "support.h"

extern char** environ;

namespace codehdr::test {

const char* NullDevice() { return "/dev/null"; }

int OpenDescriptorCount() {
  namespace fs = std::filesystem;
  return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::vector<std::string>& env, int seconds) {
  const ScratchDir io;
  const std::string out = io.File("out"), err = io.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.empty() ? NullDevice() : input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // The environment with each NAME=VALUE of `env` in place of NAME's old value.
  const auto named = [](const std::string& var, const std::string& add) {
    const std::size_t name = add.find('=') + 1;  // NAME=
    return var.compare(0, name, add, 0, name) == 0;
  };
  std::vector<std::string> vars(env);
  for (char** e = environ; *e != nullptr; ++e) {
    const auto replaces = [&](const std::string& add) { return named(*e, add); };
    if (std::none_of(env.begin(), env.end(), replaces)) vars.push_back(*e);
  }
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& v : vars) envp.push_back(const_cast<char*>(v.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {-1, "", "cannot start " + argv[0]};
  // A program that hangs is killed, and its test fails.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const Bytes o = ReadFile(out), e = ReadFile(err);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
}

}  // namespace codehdr::test
