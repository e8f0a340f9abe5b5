#pragma once
// Runs another program and waits for it, the way the program calls the desktop's helper tools.
#include <string>
#include <vector>

namespace platform {

// Runs the program (looked up on PATH) with the arguments, its output discarded; its exit
// status, or -1 when it could not be started or did not end normally.
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace platform
