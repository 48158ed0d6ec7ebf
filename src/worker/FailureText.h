#pragma once

#include <string>

namespace vexrem {

// What a caught failure shows to the user: the message without trailing
// blanks; when its last word is a positive number (an OS error code), the
// system's text for that code follows in parentheses.
std::string FailureText(const std::string& message);

} // namespace vexrem
