// The one seam between the registry's narrow UTF-8 texts and the UI's wide ones,
// and the loader for the program's own texts in the string table.
#pragma once

#include <string>

namespace karnio {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// A string of the resource string table, trailing blanks and all.
std::wstring LoadText(unsigned id);

// The folder that holds the running executable, without a trailing separator.
std::wstring ProgramFolder();

}  // namespace karnio
