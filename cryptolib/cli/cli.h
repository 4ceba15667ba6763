// The ferrolok command-line tool: encrypts, decrypts and hashes through the
// library's classes so that the library can be checked from a shell.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace ferrolok::cli {

// Exit codes, part of the tool's interface (scripts test them).
enum ExitCode : int {
  kOk = 0,
  kFailure = 1,    // the output could not be written, or --out was refused
  kUsage = 2,      // bad command line; a message went to stderr
  kUntouched = 3,  // the method left its result untouched (a guard stopped it)
  kEmpty = 4,      // the method returned an empty byte array
};

// Runs the tool on `args` (without the program name), writing the result to
// `out` and messages to `err`. Returns the exit code.
int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace ferrolok::cli
