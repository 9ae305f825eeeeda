#include "ui/main/windows_host.h"

#include "ui/common/system_library.h"

#include <msi.h>

namespace karnio {

namespace {

std::wstring Folder(UINT(WINAPI* get)(wchar_t*, UINT))
{
    wchar_t folder[MAX_PATH];
    const UINT length = get(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

}  // namespace

bool WindowsHostSystem::ExpandVariables(const std::wstring& text, std::wstring& expanded)
{
    // ExpandEnvironmentStrings itself cuts a line that grows too long short without a word.
    if (text.size() >= kMaxCommandLine) return false;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0 || needed > kMaxCommandLine) {
        expanded = text;
        return needed == 0;
    }
    expanded.assign(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return false;
    expanded.resize(written - 1);
    return true;
}

std::wstring WindowsHostSystem::FullPath(const std::wstring& path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(written < needed ? written : 0);
    return full;
}

PathState WindowsHostSystem::Probe(const std::wstring& path)
{
    std::wstring folded = path;
    CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    const auto known = paths_.find(folded);
    if (known != paths_.end()) return known->second;
    PathState state = {PathState::File};
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        // Only these mean that nothing is there; access denied or a device error says nothing.
        const bool notFound = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                              error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME;
        state = notFound ? PathState{PathState::Missing} : PathState{PathState::Failed, error};
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        state = {PathState::Folder};
    }
    paths_.emplace(std::move(folded), state);
    return state;
}

const std::vector<std::wstring>& WindowsHostSystem::SearchFolders()
{
    if (searchFolders_) return *searchFolders_;
    std::vector<std::wstring> folders = {Folder(GetSystemDirectoryW), Folder(GetWindowsDirectoryW)};
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring folder = path.substr(start, end - start);
        const PathKind kind = ClassifyPath(folder);
        // Never the current folder or a relative one: a planted program could be found there.
        if (kind == PathKind::Absolute || kind == PathKind::Unc) folders.push_back(std::move(folder));
        start = end + 1;
    }
    searchFolders_ = std::move(folders);
    return *searchFolders_;
}

bool WindowsHostSystem::IsLocalFixedDrive(wchar_t letter)
{
    if (letter < L'A' || letter > L'Z') return false;
    signed char& known = fixedDrives_[letter - L'A'];
    if (known == 0) {
        const wchar_t root[] = {letter, L':', L'\\', L'\0'};
        known = GetDriveTypeW(root) == DRIVE_FIXED ? 1 : -1;
    }
    return known > 0;
}

// MsiQueryProductStateW answers INSTALLSTATE_UNKNOWN exactly for a product that
// is neither installed nor advertised for anyone, in any context: one that no
// user's enumeration names. Under Wine one query costs about half a millisecond,
// a whole enumeration hardly more, so a rebuild lists them once and asks only
// when the list cannot be had (another user's products need administrator rights).
bool WindowsHostSystem::IsUnknownProduct(const std::wstring& productCode)
{
    static const HMODULE msi = SystemLibrary(L"msi.dll");
    static const auto enumProducts = SystemFunction<decltype(&MsiEnumProductsExW)>(msi, "MsiEnumProductsExW");
    static const auto productState = SystemFunction<decltype(&MsiQueryProductStateW)>(msi, "MsiQueryProductStateW");
    // Without Windows Installer nobody can say.
    if (!enumProducts || !productState) return false;
    if (!productsListed_) {
        productsListed_ = true;
        std::unordered_set<std::wstring> codes;
        wchar_t code[39];
        UINT status = ERROR_SUCCESS;
        for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
            status = enumProducts(nullptr, L"s-1-1-0", MSIINSTALLCONTEXT_ALL, index, code, nullptr, nullptr, nullptr);
            if (status == ERROR_SUCCESS) codes.insert(code);
        }
        if (status == ERROR_NO_MORE_ITEMS) products_ = std::move(codes);
    }
    if (!products_) return productState(productCode.c_str()) == INSTALLSTATE_UNKNOWN;
    std::wstring upper = productCode;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return products_->count(upper) == 0;
}

Wow64Folders WindowsHostSystem::Wow64()
{
    if (!wow64_) wow64_ = Wow64Folders{Folder(GetSystemDirectoryW), Folder(GetSystemWow64DirectoryW), Folder(GetWindowsDirectoryW)};
    return *wow64_;
}

bool WindowsHostSystem::DriveHasRoot(wchar_t letter)
{
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    return GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR;
}

}  // namespace karnio
