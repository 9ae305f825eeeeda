// A registry that forwards to another, numbering every call from 0, and can be
// told to fail call number k with a platform error, or to run a hook before
// call k (to change the tree underneath the caller). It keeps the handles that
// opens returned, so tests can prove each was closed exactly once.
#pragma once

#include "registry/registry.h"

#include <functional>
#include <map>
#include <string>

namespace karnio::test {

class ScriptedRegistry final : public Registry {
public:
    explicit ScriptedRegistry(Registry& inner) : inner_(inner) {}

    int failAt = -1;                        // the call that fails, or -1
    RegStatus failWith = kErrorSuccess;     // with this status; it is not forwarded
    std::function<void(int call)> before;   // runs before every call
    int calls = 0;
    std::map<RegKey, int> open;             // handles opened and not yet closed
    int doubleCloses = 0;                   // closes of a handle that was not open

    RegStatus OpenKey(RegKey root, const char* path, RegKey* result) override
    {
        if (Fails()) {
            *result = 0;
            return failWith;
        }
        const RegStatus status = inner_.OpenKey(root, path, result);
        return Opened(status, *result, root);
    }
    RegStatus OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result) override
    {
        if (Fails()) {
            *result = 0;
            return failWith;
        }
        const RegStatus status = inner_.OpenKeyEx(root, path, view, result);
        return Opened(status, *result, root);
    }
    RegStatus QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                           std::uint32_t* size) override
    {
        if (Fails()) {
            if (failWith == kErrorMoreData) *size += 1;  // what the platform reports: the size it would need
            return failWith;
        }
        return inner_.QueryValueEx(key, valueName, type, data, size);
    }
    RegStatus EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override
    {
        if (Fails()) return failWith;
        return inner_.EnumKeyEx(key, index, name, nameLength);
    }
    RegStatus CloseKey(RegKey key) override
    {
        if (key) {
            if (open.erase(key) == 0) ++doubleCloses;
        }
        if (Fails()) return failWith;
        return inner_.CloseKey(key);
    }
    RegStatus DeleteKey(RegKey root, const char* path) override
    {
        if (Fails()) return failWith;
        return inner_.DeleteKey(root, path);
    }
    RegStatus DeleteKeyEx(RegKey root, const char* path, RegView view) override
    {
        if (Fails()) return failWith;
        return inner_.DeleteKeyEx(root, path, view);
    }
    RegStatus OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result) override
    {
        if (Fails()) {
            *result = 0;
            return failWith;
        }
        const RegStatus status = inner_.OpenKeyExW(root, path, view, result);
        return Opened(status, *result, root);
    }
    RegStatus QueryInfoKeyW(RegKey key, KeyInfo* info) override
    {
        if (Fails()) return failWith;
        return inner_.QueryInfoKeyW(key, info);
    }
    RegStatus EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                         std::uint32_t* type, unsigned char* data, std::uint32_t* size) override
    {
        if (Fails()) return failWith;
        return inner_.EnumValueW(key, index, name, nameLength, type, data, size);
    }
    RegStatus EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override
    {
        if (Fails()) return failWith;
        return inner_.EnumKeyExW(key, index, name, nameLength);
    }
    RegStatus OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access, RegKey* result) override
    {
        if (Fails()) {
            *result = 0;
            return failWith;
        }
        return Opened(inner_.OpenLinkW(parent, name, view, access, result), *result, parent);
    }
    RegStatus IsLinkW(RegKey self, RegKey parent, const std::u16string& name, RegView view, bool* link) override
    {
        if (Fails()) return failWith;
        return inner_.IsLinkW(self, parent, name, view, link);
    }
    RegStatus DeleteOpenKey(RegKey key) override
    {
        if (Fails()) return failWith;
        return inner_.DeleteOpenKey(key);
    }
    RegStatus CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) override
    {
        if (Fails()) {
            *result = 0;
            return failWith;
        }
        return Opened(inner_.CreateLinkW(parent, name, view, result), *result, parent);
    }
    RegStatus CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result, bool* created,
                           const char16_t* keyClass) override
    {
        if (Fails()) {
            *result = 0;
            *created = false;
            return failWith;
        }
        const RegStatus status = inner_.CreateKeyExW(root, path, view, result, created, keyClass);
        return Opened(status, *result, root);
    }
    RegStatus GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor) override
    {
        if (Fails()) return failWith;
        return inner_.GetKeySecurityW(key, descriptor);
    }
    RegStatus SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                              const std::vector<unsigned char>& descriptor) override
    {
        if (Fails()) return failWith;
        return inner_.SetKeySecurityW(parent, name, view, descriptor);
    }
    RegStatus SetValueExW(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) override
    {
        if (Fails()) return failWith;
        return inner_.SetValueExW(key, name, type, data, size);
    }

private:
    bool Fails()
    {
        const int call = calls++;
        if (before) before(call);
        return call == failAt;
    }
    RegStatus Opened(RegStatus status, RegKey key, RegKey root)
    {
        // Opening with an empty path hands back the root itself, which is never closed for real.
        if (status == kErrorSuccess && key && key != root) ++open[key];
        return status;
    }

    Registry& inner_;
};

}  // namespace karnio::test
