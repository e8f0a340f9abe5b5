#pragma once
// Why the tray tests cannot have a notification area; empty when they can.
#include <string>

extern std::string TrayHostProblem;
