// How the registry compares key names: by simple lower case, code unit by code
// unit, as Wine does. Shared by the in-memory registry and by anything that must
// match names (or text) the way the registry does.
#pragma once

#include <string>

namespace karnio {

// The simple lower case of one UTF-16 code unit, for the scripts a key name is likely to use.
char16_t FoldCase(char16_t c);

// Orders two UTF-8 key names as the registry enumerates them (negative, zero, positive).
int CompareRegistryNames(const std::string& a, const std::string& b);

}  // namespace karnio
