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

std::wstring SystemWindowsFolder() { return Folder(GetSystemWindowsDirectoryW); }

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

namespace {

// Loaded once, the first time a rebuild asks Windows Installer.
HMODULE Msi()
{
    static const HMODULE msi = SystemLibrary(L"msi.dll");
    return msi;
}

std::wstring Upper(std::wstring text)
{
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// What a list answers of a name in it: nothing is certain without the whole list.
Known Answer(const std::optional<std::unordered_set<std::wstring>>& list, const std::wstring& name)
{
    if (!list) return Known::Unsure;
    return list->count(Upper(name)) ? Known::Yes : Known::No;
}

}  // namespace

// Every product Windows Installer knows, installed or advertised, for every user
// and in every context, listed once: under Wine one query costs about half a
// millisecond, a whole enumeration hardly more. Without the whole list (another
// user's products need administrator rights) nobody can say that a product is
// unknown: MsiQueryProductStateW sees only Karnio's user and the machine.
Known WindowsHostSystem::KnowsProduct(const std::wstring& productCode)
{
    static const auto enumProducts = SystemFunction<decltype(&MsiEnumProductsExW)>(Msi(), "MsiEnumProductsExW");
    if (!productsListed_ && enumProducts) {
        std::unordered_set<std::wstring> codes;
        wchar_t code[39];
        UINT status = ERROR_SUCCESS;
        for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
            status = enumProducts(nullptr, L"s-1-1-0", MSIINSTALLCONTEXT_ALL, index, code, nullptr, nullptr, nullptr);
            if (status == ERROR_SUCCESS) codes.insert(Upper(code));
        }
        if (status == ERROR_NO_MORE_ITEMS) products_ = std::move(codes);
    }
    productsListed_ = true;
    return Answer(products_, productCode);
}

// Every patch of every product, in every state, for every user and context,
// listed once. Wine 8 does not list them (ERROR_INVALID_PARAMETER): then nobody can say.
Known WindowsHostSystem::KnowsPatch(const std::wstring& productCode, const std::wstring& patchCode)
{
    static const auto enumPatches = SystemFunction<decltype(&MsiEnumPatchesExW)>(Msi(), "MsiEnumPatchesExW");
    if (!patchesListed_ && enumPatches) {
        std::unordered_set<std::wstring> pairs;
        wchar_t patch[39], product[39];
        UINT status = ERROR_SUCCESS;
        for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
            status = enumPatches(nullptr, L"s-1-1-0", MSIINSTALLCONTEXT_ALL, MSIPATCHSTATE_ALL, index, patch, product, nullptr,
                                 nullptr, nullptr);
            if (status == ERROR_SUCCESS) pairs.insert(Upper(std::wstring(product) + L" " + patch));
        }
        if (status == ERROR_NO_MORE_ITEMS) patches_ = std::move(pairs);
    }
    patchesListed_ = true;
    return Answer(patches_, productCode + L" " + patchCode);
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
