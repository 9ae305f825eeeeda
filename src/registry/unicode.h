// UTF-8 and UTF-16 as the registry's narrow and wide calls meet them. Karnio
// runs with the UTF-8 code page, so the narrow calls speak UTF-8.
#pragma once

#include <string>

namespace karnio {

// Malformed UTF-8 becomes U+FFFD, as MultiByteToWideChar makes it.
std::u16string Utf16(const std::string& utf8);
// An unpaired surrogate becomes U+FFFD, as WideCharToMultiByte makes it.
std::string Utf8(const std::u16string& utf16);
// The same, but an unpaired surrogate is kept as its own three bytes, so that
// any UTF-16 text comes back whole from Utf16 (a name stored in narrow form).
std::string Utf8KeepingSurrogates(const std::u16string& utf16);

// Where the text holds the first unpaired surrogate kept by Utf8KeepingSurrogates,
// or npos. No valid UTF-8 holds one, so such a text names no key through the narrow calls.
std::size_t LoneSurrogateAt(const std::string& utf8);
inline bool HoldsLoneSurrogate(const std::string& utf8) { return LoneSurrogateAt(utf8) != std::string::npos; }

}  // namespace karnio
