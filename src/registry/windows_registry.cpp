#include "registry/windows_registry.h"

#include <windows.h>


namespace karnio {

static_assert(sizeof(RegKey) == sizeof(HKEY));
static_assert(sizeof(char16_t) == sizeof(wchar_t));

namespace {
HKEY AsHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
REGSAM ViewFlag(RegView view) { return view == RegView::Bits32 ? KEY_WOW64_32KEY : 0; }
const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
}  // namespace

RegStatus WindowsRegistry::OpenKey(RegKey root, const char* path, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyA(AsHkey(root), path, &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                        unsigned char* data, std::uint32_t* size)
{
    DWORD valueType = 0;
    DWORD dataSize = *size;
    const LONG status = RegQueryValueExA(AsHkey(key), valueName, nullptr, &valueType, data, &dataSize);
    *type = valueType;
    *size = dataSize;
    return status;
}

RegStatus WindowsRegistry::EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength)
{
    DWORD length = *nameLength;
    const LONG status = RegEnumKeyExA(AsHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    *nameLength = length;
    return status;
}

RegStatus WindowsRegistry::CloseKey(RegKey key) { return RegCloseKey(AsHkey(key)); }

RegStatus WindowsRegistry::DeleteKey(RegKey root, const char* path)
{
    return RegDeleteKeyA(AsHkey(root), path);
}

RegStatus WindowsRegistry::OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(AsHkey(root), path, 0, KEY_READ | ViewFlag(view), &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::DeleteKeyEx(RegKey root, const char* path, RegView view)
{
    return RegDeleteKeyExA(AsHkey(root), path, ViewFlag(view), 0);
}

RegStatus WindowsRegistry::OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(AsHkey(root), AsWide(path), 0, KEY_READ | ViewFlag(view), &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::QueryInfoKeyW(RegKey key, KeyInfo* info)
{
    DWORD subkeys = 0, values = 0, longestName = 0, largestData = 0;
    const LONG status = RegQueryInfoKeyW(AsHkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                         &longestName, &largestData, nullptr, nullptr);
    info->subkeys = subkeys;
    info->values = values;
    info->maxNameLength = longestName;
    info->maxDataSize = largestData;
    return status;
}

RegStatus WindowsRegistry::EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                                      std::uint32_t* type, unsigned char* data, std::uint32_t* size)
{
    DWORD length = *nameLength, valueType = 0, dataSize = *size;
    const LONG status = RegEnumValueW(AsHkey(key), index, reinterpret_cast<wchar_t*>(name), &length, nullptr,
                                      &valueType, data, &dataSize);
    *nameLength = length;
    *type = valueType;
    *size = dataSize;
    return status;
}

RegStatus WindowsRegistry::EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength)
{
    DWORD length = *nameLength;
    const LONG status = RegEnumKeyExW(AsHkey(key), index, reinterpret_cast<wchar_t*>(name), &length, nullptr, nullptr,
                                      nullptr, nullptr);
    *nameLength = length;
    return status;
}

RegStatus WindowsRegistry::OpenLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(AsHkey(parent), AsWide(name), REG_OPTION_OPEN_LINK,
                                      KEY_READ | DELETE | ViewFlag(view), &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::DeleteOpenKey(RegKey key)
{
    // The one call that deletes a key by its handle, so that a link is deleted as
    // itself: RegDeleteKey and RegDeleteTree open the key again and follow it.
    using NtDeleteKey = LONG(NTAPI*)(HANDLE);
    using RtlNtStatusToDosError = ULONG(NTAPI*)(LONG);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto deleteKey = reinterpret_cast<NtDeleteKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")));
    const auto toError =
        reinterpret_cast<RtlNtStatusToDosError>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (!deleteKey || !toError) return ERROR_CALL_NOT_IMPLEMENTED;
    return static_cast<RegStatus>(toError(deleteKey(AsHkey(key))));
}

RegStatus WindowsRegistry::CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExW(AsHkey(parent), AsWide(name), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, &disposition);
    if (status == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY) {
        RegCloseKey(key);
        status = ERROR_ALREADY_EXISTS;
    }
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result,
                                        bool* created)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(AsHkey(root), AsWide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE | ViewFlag(view), nullptr, &key, &disposition);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    *created = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    return status;
}

RegStatus WindowsRegistry::SetValueExW(RegKey key, const char16_t* name, std::uint32_t type,
                                       const unsigned char* data, std::uint32_t size)
{
    return RegSetValueExW(AsHkey(key), AsWide(name), 0, type, data, size);
}

}  // namespace karnio
