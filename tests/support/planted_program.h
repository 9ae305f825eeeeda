// A property of the run command and the grey rows together: for a generated
// uninstaller path, with files planted at shorter prefixes of it in folders
// above its own, the program found is the real one while it is there, and
// nothing (grey, 53) once it is gone, with or without its folder; never a
// planted file. Shared by the native suite (fixed seeds) and fuzz_command_line.
#pragma once

#include <functional>
#include <string>

namespace karnio::test {

// A path as the made-up systems of the tests keep it: the extended form that
// Karnio probes (\\?\C:\..., \\?\UNC\server\...) without its prefix.
std::wstring PlainPath(const std::wstring& path);

// A number below n: from a seeded generator, or from a fuzzer's bytes.
using Choice = std::function<unsigned(unsigned n)>;

// Empty when the property held for the generated case, otherwise what went wrong.
std::string CheckPlantedProgram(const Choice& choose);

}  // namespace karnio::test
