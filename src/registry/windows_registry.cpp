#include "registry/windows_registry.h"

#include <windows.h>

namespace karnio {

static_assert(sizeof(RegKey) == sizeof(HKEY));

namespace {
HKEY AsHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
REGSAM ViewFlag(RegView view) { return view == RegView::Bits32 ? KEY_WOW64_32KEY : 0; }
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

RegStatus WindowsRegistry::EnumKey(RegKey key, std::uint32_t index, char* name,
                                   std::uint32_t nameSize)
{
    return RegEnumKeyA(AsHkey(key), index, name, nameSize);
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

}  // namespace karnio
