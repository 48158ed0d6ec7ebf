#pragma once

#include <string>

namespace vexrem {

// The file version of the running program as four decimal numbers joined by
// dots (for example 2.1.0.37); empty when it cannot be read.
std::string GetExeVersion();

} // namespace vexrem
