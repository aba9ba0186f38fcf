#pragma once

#include <optional>
#include <string>
#include <vector>

namespace optara::testing {

struct ProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string output;   // everything it wrote to standard output
};

// Runs program (looked up on PATH when it has no slash) with the arguments,
// no shell involved; standard error is passed through. No value when it
// could not be started.
std::optional<ProgramResult> runProgram(const std::string& program, const std::vector<std::string>& arguments);

// Whether an executable of that name is on PATH.
bool onPath(const std::string& program);

}  // namespace optara::testing
