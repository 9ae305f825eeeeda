// The registry interface served by advapi32: the narrow calls for reading the
// lists, the wide ones for copying an entry whole. HKEY_CURRENT_USER may stand
// for another user's hive, HKEY_USERS\<SID>: the desktop user's, when Karnio
// runs with another person's administrator password.
#pragma once

#include "registry/registry.h"

namespace karnio {

class WindowsRegistry final : public Registry {
public:
    // userSid: whose hive HKEY_CURRENT_USER stands for; none for Karnio's own.
    explicit WindowsRegistry(const std::u16string& userSid = u"");
    ~WindowsRegistry() override;
    WindowsRegistry(const WindowsRegistry&) = delete;
    WindowsRegistry& operator=(const WindowsRegistry&) = delete;

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
    RegStatus OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access,
                        RegKey* result) override;
    RegStatus IsLinkW(RegKey self, RegKey parent, const std::u16string& name, RegView view, bool* link) override;
    RegStatus DeleteOpenKey(RegKey key) override;
    RegStatus CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) override;
    RegStatus CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result, bool* created,
                           const char16_t* keyClass) override;
    RegStatus GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor) override;
    RegStatus SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                              const std::vector<unsigned char>& descriptor) override;
    RegStatus SetValueExW(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) override;

private:
    RegKey userHive_ = 0;  // HKEY_USERS\<SID>, open for the registry's life
};

}  // namespace karnio
