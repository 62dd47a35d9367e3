// Test support on Windows: the handle table for open handles, CreateProcessW for child processes, named pipes, and
// the program's import table for replacing a system call.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "support.h"

namespace codehdr::test {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// One argument as the C runtime splits a command line: quoted when it holds a space, a tab or a quote; backslashes
// doubled before a quote and before the closing quote.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t slashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, L'\\');
  return out + L"\"";
}

// The environment block with each NAME=VALUE of `env` in place of NAME's old value (names compare without case).
std::wstring EnvironmentBlock(const std::vector<std::string>& env) {
  std::vector<std::wstring> adds;
  for (const std::string& e : env) adds.push_back(Wide(e));
  std::wstring block;
  wchar_t* const strings = ::GetEnvironmentStringsW();
  for (const wchar_t* v = strings; *v != L'\0'; v += std::wcslen(v) + 1) {
    bool replaced = false;
    for (const std::wstring& add : adds) {
      const std::size_t name = add.find(L'=') + 1;
      replaced = replaced || ::_wcsnicmp(v, add.c_str(), name) == 0;
    }
    if (!replaced) block.append(v).push_back(L'\0');
  }
  ::FreeEnvironmentStringsW(strings);
  for (const std::wstring& add : adds) block.append(add).push_back(L'\0');
  return block + L'\0';
}

HANDLE OpenInherited(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

const char* NullDevice() { return "NUL"; }

// Windows has no list of a process's handles that Wine fills in, but every handle of a file, device or pipe has a file
// type; threads and events (which the test framework makes as it goes) have none. The handles a test opens are among
// the lowest free values.
int OpenDescriptorCount() {
  int count = 0;
  for (std::uintptr_t value = 4; value < 4 * 1024; value += 4) {
    count += ::GetFileType(reinterpret_cast<HANDLE>(value)) != FILE_TYPE_UNKNOWN ? 1 : 0;
  }
  return count;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::vector<std::string>& env, int seconds) {
  const ScratchDir io;
  const std::string out = io.File("out"), err = io.File("err");
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = OpenInherited(input.empty() ? NullDevice() : input, GENERIC_READ, OPEN_EXISTING);
  start.hStdOutput = OpenInherited(out, GENERIC_WRITE, CREATE_ALWAYS);
  start.hStdError = OpenInherited(err, GENERIC_WRITE, CREATE_ALWAYS);
  std::wstring command;
  for (const std::string& a : argv) command += (command.empty() ? L"" : L" ") + Quoted(Wide(a));
  std::wstring block = EnvironmentBlock(env);
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                        block.data(), nullptr, &start, &process);
  for (const HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  if (!started) return {-1, "", "cannot start " + argv[0] + ": error " + std::to_string(::GetLastError())};
  // A program that hangs is ended, and its test fails.
  DWORD code = 0;
  int status = -1;
  if (::WaitForSingleObject(process.hProcess, static_cast<DWORD>(seconds) * 1000) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(process.hProcess, &code)) {
    status = static_cast<int>(code);
  } else {
    ::TerminateProcess(process.hProcess, 255);
    ::WaitForSingleObject(process.hProcess, INFINITE);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const Bytes o = ReadFile(out), e = ReadFile(err);
  return {status, {o.begin(), o.end()}, {e.begin(), e.end()}};
}

PipeInstances::PipeInstances(int count) {
  static std::atomic<unsigned> made{0};  // a name no other object of any process has
  path_ = "\\\\.\\pipe\\codehdr-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(made++);
  for (int i = 0; i < count; ++i) {
    const HANDLE h = ::CreateNamedPipeW(Wide(path_).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                        PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) std::abort();
    handles_.push_back(h);
  }
}

PipeInstances::~PipeInstances() {
  for (void* h : handles_) ::CloseHandle(h);
}

bool HasConsole() {
  const HANDLE h = ::CreateFileW(L"CONIN$", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

void* ReplaceImport(const char* module, const char* function, void* replacement) {
  auto* const base = reinterpret_cast<std::uint8_t*>(::GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
    if (::_stricmp(reinterpret_cast<const char*>(base + d->Name), module) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD old = 0;
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      void* const previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return previous;
    }
  }
  return nullptr;
}

}  // namespace codehdr::test
