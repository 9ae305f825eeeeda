// Functions of the system DLLs that karnio.exe does not import. Karnio runs
// elevated, and Windows looks for a DLL that is not a known system DLL in the
// program's own folder first: these are loaded from the system folder only.
#pragma once

#include <windows.h>

namespace karnio {

// The function, or null where the DLL or the function is not there.
template <typename Function>
Function SystemFunction(HMODULE library, const char* name)
{
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

// Loads the DLL from the system folder; loaded once, it stays for the program's life.
inline HMODULE SystemLibrary(const wchar_t* name) { return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

}  // namespace karnio
