#pragma once
// The options every program of a Linux desktop answers on its terminal before it starts:
// "--help" prints the usage and "--version" the version, and the program ends there.

#include <cstdio>
#include <optional>

// The exit status when an option was answered, else nothing (the program starts).
std::optional<int> AnswerTerminalOptions(int argc, const char* const* argv, std::FILE* out);
