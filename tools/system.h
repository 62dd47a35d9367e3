// What the tool needs from the operating system beyond the library: its
// arguments and environment in UTF-8, standard streams that carry bytes as
// they are, signals that leave no partial output, and whether standard
// output is a terminal that shows colour.
// One file per system (system_posix.cpp, system_windows.cpp).
#ifndef CODEHDR_TOOLS_SYSTEM_H
#define CODEHDR_TOOLS_SYSTEM_H

#include <optional>
#include <string>
#include <vector>

namespace codehdr::tool {

// The command line as the system hands it to the program: UTF-16 on Windows
// (the program starts at wmain; an ANSI code page cannot name every file),
// bytes elsewhere.
#if defined(_WIN32)
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// The command line in UTF-8, the program name first.
std::vector<std::string> ProgramArguments(int argc, NativeChar** argv);

// Standard output and error write "\n" as one byte, as on Linux, so that the
// tool's output is the same everywhere (Windows would otherwise write
// "\r\n").
void UseBinaryStandardStreams();

// From now on SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl-C, Ctrl-Break and
// closing the console) remove the output being written (RemovePartialOutputs)
// and end the program with exit status 128 + the signal's number.
void RemovePartialOutputsOnSignals();

// The value of an environment variable in UTF-8, if it is set.
std::optional<std::string> EnvironmentVariable(const char* name);

// True when standard output is a terminal that shows ANSI colour sequences
// (a Windows console is switched to showing them when it can).
bool StdoutShowsColour();

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_SYSTEM_H
