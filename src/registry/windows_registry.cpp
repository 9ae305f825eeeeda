#include "registry/windows_registry.h"

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>


namespace karnio {

static_assert(sizeof(RegKey) == sizeof(HKEY));
static_assert(sizeof(char16_t) == sizeof(wchar_t));

namespace {
HKEY AsHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
// HKEY_CURRENT_USER is the chosen user's hive.
HKEY Root(RegKey key, RegKey userHive) { return AsHkey(key == kHkeyCurrentUser && userHive ? userHive : key); }
REGSAM ViewFlag(RegView view) { return view == RegView::Bits32 ? KEY_WOW64_32KEY : 0; }
const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
}  // namespace

WindowsRegistry::WindowsRegistry(const std::u16string& userSid)
{
    HKEY hive = nullptr;
    if (!userSid.empty() && RegOpenKeyExW(HKEY_USERS, AsWide(userSid.c_str()), 0, MAXIMUM_ALLOWED, &hive) == ERROR_SUCCESS)
        userHive_ = reinterpret_cast<RegKey>(hive);
}

WindowsRegistry::~WindowsRegistry()
{
    if (userHive_) RegCloseKey(AsHkey(userHive_));
}

RegStatus WindowsRegistry::OpenKey(RegKey root, const char* path, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyA(Root(root, userHive_), path, &key);
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
    return RegDeleteKeyA(Root(root, userHive_), path);
}

RegStatus WindowsRegistry::OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(Root(root, userHive_), path, 0, KEY_READ | ViewFlag(view), &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::DeleteKeyEx(RegKey root, const char* path, RegView view)
{
    return RegDeleteKeyExA(Root(root, userHive_), path, ViewFlag(view), 0);
}

RegStatus WindowsRegistry::OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(Root(root, userHive_), AsWide(path), 0, KEY_READ | ViewFlag(view), &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::QueryInfoKeyW(RegKey key, KeyInfo* info)
{
    DWORD subkeys = 0, values = 0, longestName = 0, largestData = 0, longestClass = 0;
    LONG status = RegQueryInfoKeyW(AsHkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, &longestClass, &values,
                                   &longestName, &largestData, nullptr, nullptr);
    info->subkeys = subkeys;
    info->values = values;
    info->maxNameLength = longestName;
    info->maxDataSize = largestData;
    info->keyClass.clear();
    if (status != ERROR_SUCCESS) return status;
    // The key's own class: Windows answers ERROR_MORE_DATA, Wine ERROR_INSUFFICIENT_BUFFER, to a buffer too small.
    std::wstring keyClass(16, L'\0');
    for (;;) {
        DWORD length = static_cast<DWORD>(keyClass.size());
        status = RegQueryInfoKeyW(AsHkey(key), keyClass.data(), &length, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            info->keyClass.assign(keyClass.begin(), keyClass.begin() + std::min<DWORD>(length, keyClass.size()));
            return status;
        }
        if ((status != ERROR_MORE_DATA && status != ERROR_INSUFFICIENT_BUFFER) || keyClass.size() > 32768) return status;
        keyClass.resize(keyClass.size() * 4);
    }
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

namespace {

// The native calls that take a counted name, which may hold a zero character, and
// that tell what a handle names; looked up once in ntdll, which every process has.
struct Native {
    using OpenKeyEx = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, void*, ULONG);
    using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    using DeleteKey = LONG(NTAPI*)(HANDLE);
    using ToError = ULONG(NTAPI*)(LONG);
    OpenKeyEx openKeyEx;
    QueryKey queryKey;
    DeleteKey deleteKey;
    ToError toError;

    static const Native& Get()
    {
        static const Native native = [] {
            const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
            const auto find = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(ntdll, name)); };
            return Native{reinterpret_cast<OpenKeyEx>(find("NtOpenKeyEx")), reinterpret_cast<QueryKey>(find("NtQueryKey")),
                          reinterpret_cast<DeleteKey>(find("NtDeleteKey")), reinterpret_cast<ToError>(find("RtlNtStatusToDosError"))};
        }();
        return native;
    }
    bool Complete() const { return openKeyEx && queryKey && deleteKey && toError; }
};

// The predefined keys (HKEY_LOCAL_MACHINE and the rest) are no handles the native calls take.
bool IsPredefined(HKEY key)
{
    const auto value = reinterpret_cast<std::intptr_t>(key);
    return value >= reinterpret_cast<std::intptr_t>(HKEY_CLASSES_ROOT) && value <= reinterpret_cast<std::intptr_t>(HKEY_CURRENT_USER_LOCAL_SETTINGS);
}

REGSAM AccessOf(KeyAccess access)
{
    return access == KeyAccess::Delete ? KEY_READ | DELETE : access == KeyAccess::Write ? KEY_READ | KEY_WRITE : KEY_READ;
}

// The key of a counted name below parent, as itself or followed.
LONG OpenCounted(HKEY parent, const std::u16string& name, REGSAM access, bool asItself, HKEY* key)
{
    *key = nullptr;
    const Native& native = Native::Get();
    if (!native.Complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    if (name.size() > 32767) return ERROR_INVALID_PARAMETER;
    struct {
        USHORT length, room;
        const wchar_t* text;
    } counted = {static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                 reinterpret_cast<const wchar_t*>(name.data())};
    struct {
        ULONG size;
        HANDLE root;
        void* name;
        ULONG attributes;
        void* descriptor;
        void* quality;
    } attributes = {sizeof attributes, parent, &counted, 0x40 /* OBJ_CASE_INSENSITIVE */ | (asItself ? 0x100u /* OBJ_OPENLINK */ : 0u),
                    nullptr, nullptr};
    HANDLE handle = nullptr;
    const LONG status = native.openKeyEx(&handle, access, &attributes, 0);
    if (status < 0) return static_cast<LONG>(native.toError(status));
    *key = static_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

// The key's full name as the registry keeps it, \REGISTRY\MACHINE\...
LONG FullName(HKEY key, std::wstring& name)
{
    const Native& native = Native::Get();
    std::vector<unsigned char> buffer(1024);
    for (;;) {
        ULONG needed = 0;
        const LONG status = native.queryKey(key, 3 /* KeyNameInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status >= 0) {
            ULONG bytes = 0;
            std::memcpy(&bytes, buffer.data(), sizeof bytes);
            name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof bytes), bytes / sizeof(wchar_t));
            return ERROR_SUCCESS;
        }
        // STATUS_BUFFER_OVERFLOW, STATUS_BUFFER_TOO_SMALL: ask again with the room it wants.
        if ((static_cast<ULONG>(status) != 0x80000005 && static_cast<ULONG>(status) != 0xC0000023) || buffer.size() >= 65536)
            return static_cast<LONG>(native.toError(status));
        buffer.resize(std::max<std::size_t>(needed, buffer.size() * 2));
    }
}

}  // namespace

RegStatus WindowsRegistry::OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access,
                                     RegKey* result)
{
    HKEY key = nullptr;
    const HKEY from = Root(parent, userHive_);
    // Below a predefined key the name is an ordinary one; anywhere else it is counted.
    const LONG status = IsPredefined(from) && name.find(u'\0') == std::u16string::npos
                            ? RegOpenKeyExW(from, AsWide(name.c_str()), REG_OPTION_OPEN_LINK, AccessOf(access) | ViewFlag(view), &key)
                            : OpenCounted(from, name, AccessOf(access), true, &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::IsLinkW(RegKey self, RegKey parent, const std::u16string& name, RegView, bool* link)
{
    *link = false;
    std::wstring itself, followed;
    LONG status = FullName(AsHkey(self), itself);
    if (status != ERROR_SUCCESS) return status;
    HKEY key = nullptr;
    if (OpenCounted(Root(parent, userHive_), name, KEY_QUERY_VALUE, false, &key) != ERROR_SUCCESS) {
        *link = true;  // it leads nowhere, or somewhere Karnio may not go: not to itself
        return ERROR_SUCCESS;
    }
    status = FullName(key, followed);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS) *link = followed != itself;
    return status;
}

RegStatus WindowsRegistry::DeleteOpenKey(RegKey key)
{
    // The one call that deletes a key by its handle, so that a link is deleted as
    // itself: RegDeleteKey and RegDeleteTree open the key again and follow it.
    const Native& native = Native::Get();
    if (!native.Complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    return static_cast<RegStatus>(native.toError(native.deleteKey(AsHkey(key))));
}

RegStatus WindowsRegistry::CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExW(Root(parent, userHive_), AsWide(name), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, &disposition);
    if (status == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY) {
        RegCloseKey(key);
        status = ERROR_ALREADY_EXISTS;
    }
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    return status;
}

RegStatus WindowsRegistry::CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result,
                                        bool* created, const char16_t* keyClass)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(Root(root, userHive_), AsWide(path), 0, const_cast<wchar_t*>(AsWide(keyClass)),
                                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | ViewFlag(view), nullptr, &key,
                                        &disposition);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : 0;
    *created = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    return status;
}

RegStatus WindowsRegistry::GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor)
{
    constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    LONG status = RegGetKeySecurity(AsHkey(key), kWhat, nullptr, &size);
    if (status != ERROR_INSUFFICIENT_BUFFER && status != ERROR_SUCCESS) return status;
    descriptor.assign(size, 0);
    status = RegGetKeySecurity(AsHkey(key), kWhat, descriptor.data(), &size);
    descriptor.resize(status == ERROR_SUCCESS ? size : 0);
    return status;
}

namespace {

// SeRestorePrivilege, held while it lives, where the token has it at all.
class RestorePrivilege {
public:
    RestorePrivilege()
    {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token_)) return;
        TOKEN_PRIVILEGES wanted = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        DWORD size = sizeof previous_;
        held_ = LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &wanted.Privileges[0].Luid) &&
                AdjustTokenPrivileges(token_, FALSE, &wanted, sizeof previous_, &previous_, &size) &&
                GetLastError() == ERROR_SUCCESS;
    }
    ~RestorePrivilege()
    {
        if (held_) AdjustTokenPrivileges(token_, FALSE, &previous_, 0, nullptr, nullptr);
        if (token_) CloseHandle(token_);
    }
    RestorePrivilege(const RestorePrivilege&) = delete;
    RestorePrivilege& operator=(const RestorePrivilege&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE token_ = nullptr;
    TOKEN_PRIVILEGES previous_ = {};
    bool held_ = false;
};

// The descriptor's DACL without the entries it inherited: those come from the parent again.
std::vector<unsigned char> ExplicitDacl(PACL dacl)
{
    std::vector<unsigned char> copy(dacl->AclSize);
    PACL explicitOnly = reinterpret_cast<PACL>(copy.data());
    if (!InitializeAcl(explicitOnly, dacl->AclSize, dacl->AclRevision)) return {};
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, index, reinterpret_cast<void**>(&ace))) return {};
        if (!(ace->AceFlags & INHERITED_ACE) && !AddAce(explicitOnly, dacl->AclRevision, MAXDWORD, ace, ace->AceSize)) return {};
    }
    return copy;
}

}  // namespace

RegStatus WindowsRegistry::SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                                           const std::vector<unsigned char>& descriptor)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(Root(parent, userHive_), AsWide(name), REG_OPTION_OPEN_LINK, WRITE_DAC | WRITE_OWNER | ViewFlag(view), &key);
    if (status != ERROR_SUCCESS) return status;
    const auto sd = const_cast<unsigned char*>(descriptor.data());
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
        !GetSecurityDescriptorControl(sd, &control, &revision)) {
        RegCloseKey(key);
        return static_cast<RegStatus>(GetLastError());
    }
    std::vector<unsigned char> explicitOnly;
    if (present && dacl) explicitOnly = ExplicitDacl(dacl);
    const SECURITY_INFORMATION protection =
        (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    if (present && dacl && explicitOnly.empty())
        status = ERROR_INVALID_ACL;
    else
        status = static_cast<LONG>(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | protection, nullptr,
                                                   nullptr, present ? reinterpret_cast<PACL>(explicitOnly.data()) : nullptr,
                                                   nullptr));
    // An owner other than Administrators is set back only as a restore may set it.
    if (status == ERROR_SUCCESS && owner && !IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) {
        const RestorePrivilege privilege;
        status = privilege.Held() ? static_cast<LONG>(SetSecurityInfo(key, SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION, owner,
                                                                      nullptr, nullptr, nullptr))
                                  : ERROR_PRIVILEGE_NOT_HELD;
    }
    RegCloseKey(key);
    return status;
}

RegStatus WindowsRegistry::SetValueExW(RegKey key, const char16_t* name, std::uint32_t type,
                                       const unsigned char* data, std::uint32_t size)
{
    return RegSetValueExW(AsHkey(key), AsWide(name), 0, type, data, size);
}

}  // namespace karnio
