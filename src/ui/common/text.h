// The one seam between the registry's narrow UTF-8 texts and the UI's wide ones,
// and the loader for the program's own texts in the string table.
#pragma once

#include <string>

namespace karnio {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// A string of the resource string table, trailing blanks and all.
std::wstring LoadText(unsigned id);
// The same with its "%1" replaced by argument.
std::wstring LoadText(unsigned id, const std::wstring& argument);
// The same with "%1" and "%2" replaced in one pass: an argument that holds "%2" stays as it is.
std::wstring LoadText(unsigned id, const std::wstring& first, const std::wstring& second);

// The running executable's full path, and the folder that holds it (no trailing separator).
std::wstring ProgramPath();
std::wstring ProgramFolder();

}  // namespace karnio
