// The registry interface served by advapi32: the narrow calls for reading the
// lists, the wide ones for copying an entry whole.
#pragma once

#include "registry/registry.h"

namespace karnio {

class WindowsRegistry final : public Registry {
public:
    RegStatus OpenKey(RegKey root, const char* path, RegKey* result) override;
    RegStatus QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                           unsigned char* data, std::uint32_t* size) override;
    RegStatus EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
    RegStatus CloseKey(RegKey key) override;
    RegStatus DeleteKey(RegKey root, const char* path) override;
    RegStatus OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result) override;
    RegStatus DeleteKeyEx(RegKey root, const char* path, RegView view) override;
    RegStatus OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result) override;
    RegStatus QueryInfoKeyW(RegKey key, KeyInfo* info) override;
    RegStatus EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                         std::uint32_t* type, unsigned char* data, std::uint32_t* size) override;
    RegStatus EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override;
    RegStatus OpenLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) override;
    RegStatus DeleteOpenKey(RegKey key) override;
    RegStatus CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) override;
    RegStatus CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result, bool* created) override;
    RegStatus SetValueExW(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) override;
};

}  // namespace karnio
