#pragma once
// The proxy password is never stored as it is: a keyless, reversible
// scrambling keeps it from being read at a glance (it is no encryption).
//
// Stored form: the tens digit of a seed k (1..30), each password byte XOR a
// running key that starts at k and steps k := ((k + k mod 10) mod 31) + 1,
// then the units digit of k. Each save picks a new seed, so an unchanged
// password is stored differently every time.

#include <string>
#include <string_view>

namespace vexrem {

// The stored form of a password with a fresh random seed; "" for an empty
// password. The seed is drawn from those whose stored form fits on one line
// of the settings file (no NUL, CR or LF); "" when there is none.
std::string ScramblePassword(std::string_view password);

// The stored form with the given seed; "" when the password is empty or the
// seed is not within 1..30.
std::string ScramblePassword(std::string_view password, int seed);

// The password of a stored form; "" when it is shorter than 3 bytes or does
// not begin and end with a digit.
std::string UnscramblePassword(std::string_view stored);

} // namespace vexrem
