// Reads the registry as text: one value of a key, or the name of the n-th
// subkey. Each call opens and closes its key, and every failure reads as
// kNotFound, so callers can decide everything by comparing texts.
#pragma once

#include "registry/registry.h"

#include <cstdint>
#include <string>

namespace karnio {

inline constexpr char kNotFound[] = "Not Found";
inline constexpr std::uint32_t kReadBufferSize = 2048;

// Value valueName of root\path as text: REG_DWORD as a decimal of at least
// three digits, REG_BINARY as upper-case hex pairs, anything else as its bytes
// less one terminating zero.
std::string HaeRekisteriarvo(Registry& registry, RegKey root, const std::string& path,
                             const std::string& valueName);

// Name of the subkey at position index of root\path.
std::string HaeAliavain(Registry& registry, RegKey root, const std::string& path,
                        std::int32_t index);

}  // namespace karnio
