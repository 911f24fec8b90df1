#pragma once
// The ways rtrun writes a number of seconds, whatever locale test code set.
#include <string>

namespace rtrun {

// Two decimals after a point, "12.35" (a negative value as "0.00"): times in
// JUnit files and comparisons, as the report writes its own.
std::string twoDecimalSeconds(double seconds);
// As short as the value allows, "30" or "0.5": a limit as the user gave it.
std::string shortSeconds(double seconds);

} // namespace rtrun
