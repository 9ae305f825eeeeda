// The common controls, loaded at run time rather than imported: the loader
// resolves a program's imports before its first line runs, and comctl32 (from
// the side-by-side store, version 6 through the manifest) is no known DLL, so
// its own dependencies would be looked for beside Karnio first. Loaded once the
// DLL search is limited to the system folder, before any window is made.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace karnio {

struct CommonControls {
    decltype(&::SetWindowSubclass) setWindowSubclass;
    decltype(&::DefSubclassProc) defSubclassProc;
    decltype(&::RemoveWindowSubclass) removeWindowSubclass;
    HMODULE module;
};

// Loads comctl32 from the system folder, once, and registers the list view and
// the standard control classes; null where it cannot be loaded.
const CommonControls* LoadCommonControls();

}  // namespace karnio
