// A registry that forwards to another and writes down every call, so tests can
// check the order of reads and that each open is matched by a close. Paths
// under HKEY_CURRENT_USER are written "HKCU:path", calls in the 32-bit view
// "open32" and "delete32".
#pragma once

#include "registry/registry.h"
#include "registry/unicode.h"

#include <string>
#include <vector>

namespace karnio::test {

class RecordingRegistry final : public Registry {
public:
    explicit RecordingRegistry(Registry& inner) : inner_(inner) {}

    std::vector<std::string> calls;

    RegStatus OpenKey(RegKey root, const char* path, RegKey* result) override
    {
        const RegStatus status = inner_.OpenKey(root, path, result);
        calls.push_back("open " + Where(root, path) + (status ? " -> fail" : ""));
        return status;
    }
    RegStatus OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result) override
    {
        const RegStatus status = inner_.OpenKeyEx(root, path, view, result);
        calls.push_back(std::string(view == RegView::Bits32 ? "open32 " : "openex ") + Where(root, path) +
                        (status ? " -> fail" : ""));
        return status;
    }
    RegStatus QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                           std::uint32_t* size) override
    {
        calls.push_back(std::string("query ") + valueName + " size " + std::to_string(*size));
        return inner_.QueryValueEx(key, valueName, type, data, size);
    }
    RegStatus EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override
    {
        calls.push_back("enum " + std::to_string(index) + " size " + std::to_string(*nameLength));
        return inner_.EnumKeyEx(key, index, name, nameLength);
    }
    RegStatus CloseKey(RegKey key) override
    {
        calls.push_back(key ? "close" : "close 0");
        return inner_.CloseKey(key);
    }
    RegStatus DeleteKey(RegKey root, const char* path) override
    {
        calls.push_back("delete " + Where(root, path));
        return inner_.DeleteKey(root, path);
    }
    RegStatus DeleteKeyEx(RegKey root, const char* path, RegView view) override
    {
        calls.push_back(std::string(view == RegView::Bits32 ? "delete32 " : "deleteex ") + Where(root, path));
        return inner_.DeleteKeyEx(root, path, view);
    }

    RegStatus OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result) override
    {
        const RegStatus status = inner_.OpenKeyExW(root, path, view, result);
        calls.push_back(std::string(view == RegView::Bits32 ? "openw32 " : "openw ") + Where(root, Utf8(path).c_str()) +
                        (status ? " -> fail" : ""));
        return status;
    }
    RegStatus QueryInfoKeyW(RegKey key, KeyInfo* info) override
    {
        calls.push_back("info");
        return inner_.QueryInfoKeyW(key, info);
    }
    RegStatus EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                         std::uint32_t* type, unsigned char* data, std::uint32_t* size) override
    {
        calls.push_back("enumvalue " + std::to_string(index));
        return inner_.EnumValueW(key, index, name, nameLength, type, data, size);
    }
    RegStatus EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override
    {
        calls.push_back("enumkeyw " + std::to_string(index));
        return inner_.EnumKeyExW(key, index, name, nameLength);
    }
    RegStatus OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access, RegKey* result) override
    {
        const RegStatus status = inner_.OpenLinkW(parent, name, view, access, result);
        calls.push_back(std::string(view == RegView::Bits32 ? "openlink32 " : "openlink ") + Utf8(name) + (status ? " -> fail" : ""));
        return status;
    }
    RegStatus IsLinkW(RegKey self, RegKey parent, const std::u16string& name, RegView view, bool* link) override
    {
        calls.push_back("islink " + Utf8(name));
        return inner_.IsLinkW(self, parent, name, view, link);
    }
    RegStatus DeleteOpenKey(RegKey key) override
    {
        calls.push_back("deleteopen");
        return inner_.DeleteOpenKey(key);
    }
    RegStatus CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) override
    {
        calls.push_back(std::string(view == RegView::Bits32 ? "createlink32 " : "createlink ") + Utf8(name));
        return inner_.CreateLinkW(parent, name, view, result);
    }
    RegStatus CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result, bool* created,
                           const char16_t* keyClass) override
    {
        const RegStatus status = inner_.CreateKeyExW(root, path, view, result, created, keyClass);
        calls.push_back(std::string(view == RegView::Bits32 ? "create32 " : "create ") + Where(root, Utf8(path).c_str()));
        return status;
    }
    RegStatus GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor) override
    {
        calls.push_back("getsecurity");
        return inner_.GetKeySecurityW(key, descriptor);
    }
    RegStatus SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                              const std::vector<unsigned char>& descriptor) override
    {
        calls.push_back("setsecurity " + Utf8(name));
        return inner_.SetKeySecurityW(parent, name, view, descriptor);
    }
    RegStatus SetValueExW(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) override
    {
        calls.push_back("set " + Utf8(name));
        return inner_.SetValueExW(key, name, type, data, size);
    }

private:
    static std::string Where(RegKey root, const char* path)
    {
        const std::string prefix = root == kHkeyLocalMachine ? "" : root == kHkeyCurrentUser ? "HKCU:" : "key:";
        return prefix + (path ? path : "<null>");
    }

    Registry& inner_;
};

}  // namespace karnio::test
