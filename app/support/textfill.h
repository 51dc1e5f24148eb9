// Filling in the numbered places of a text kept in the resources, such as
// "こま %1 が壊れています": each text says where its values go, in the order
// its language needs.
#pragma once

#include <string>
#include <vector>

// The pattern with each %1 to %9 replaced by the value of that number; any
// other '%', and a number without a value, stays as it is. Code page 932 text
// is safe: neither '%' nor a digit is ever the second byte of a character.
std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& values);
