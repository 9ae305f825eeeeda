// Hands documents and addresses to the Windows shell: verb "open", no
// parameters, the program's own folder as the working folder, and a normal
// window, so that a browser or mail program not yet running shows itself.
#pragma once

#include <windows.h>

#include <string>

namespace karnio {

using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND owner, const wchar_t* verb, const wchar_t* file,
                                                const wchar_t* parameters, const wchar_t* folder, int show);

void ShellOpen(HWND owner, const std::wstring& target);

// Tests put a recorder here; the program uses ShellExecuteW.
void SetShellExecuteFunction(ShellExecuteFunction function);

// "http://" with the maker's web host and the page path of string pathId.
std::wstring WebAddress(unsigned pathId);
// A mailto: link to the maker's address with the subject of string subjectId, unencoded.
std::wstring MailAddress(unsigned subjectId);

}  // namespace karnio
