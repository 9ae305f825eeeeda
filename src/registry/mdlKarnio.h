// Reads the registry as text: one value of a key, or the name of the n-th
// subkey. Each call opens and closes its key, and every failure reads as
// kNotFound, so callers can decide everything by comparing texts.
#pragma once

#include "registry/registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace karnio {

inline constexpr char kNotFound[] = "Not Found";
inline constexpr std::uint32_t kReadBufferSize = 2048;

// Value valueName of root\path as text: REG_DWORD as a decimal of at least
// three digits, REG_BINARY as upper-case hex pairs, anything else as its bytes
// less one terminating zero. The native view opens the key with RegOpenKeyA,
// the 32-bit view with RegOpenKeyExA.
std::string HaeRekisteriarvo(Registry& registry, RegKey root, const std::string& path,
                             const std::string& valueName, RegView view = RegView::Native);

// Value valueName of root\path when it is a REG_DWORD, as a number; nothing for
// any other type or a missing value. Opened and closed as HaeRekisteriarvo does.
std::optional<std::uint32_t> HaeDword(Registry& registry, RegKey root, const std::string& path, const std::string& valueName,
                                      RegView view = RegView::Native);

// Name of the subkey at position index of root\path, whole: a name made
// through the native API may hold a zero character.
std::string HaeAliavain(Registry& registry, RegKey root, const std::string& path,
                        std::int32_t index, RegView view = RegView::Native);

// The same name through the wide calls (RegOpenKeyExW, RegEnumKeyExW), as
// Windows stores it; nothing on any failure. For a name that the narrow call
// gives with U+FFFD, which may stand for an unpaired surrogate.
std::optional<std::u16string> HaeAliavainW(Registry& registry, RegKey root, const std::string& path,
                                           std::int32_t index, RegView view = RegView::Native);

}  // namespace karnio
