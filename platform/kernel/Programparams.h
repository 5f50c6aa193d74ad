#pragma once
// The parameters the program was started with, in the program's code page:
// ParamStr(0) is the program, ParamStr(1..ParamCount()) its parameters.

#include <string>
#include <vector>

int ParamCount();
// "" for an index out of range.
std::string ParamStr(int Index);

namespace platform {

// Replaces the parameters (the program first); until then they are read from the system.
void SetProgramParams(std::vector<std::string> params);

}  // namespace platform
