// An in-memory registry with the semantics of the Windows calls as Wine serves
// them: case-insensitive names, subkeys enumerated in Wine's order, string
// terminators appended when there is room, keys with subkeys refusing RegDeleteKey,
// and a 32-bit view in which HKEY_LOCAL_MACHINE\Software is the separate tree
// stored under Software\WOW6432Node (HKEY_CURRENT_USER has one view only).
// A value keeps the form it was written in: the narrow calls' UTF-8 or the wide
// calls' UTF-16, and string data is converted when the other kind reads it, as
// Windows converts between the narrow calls and the UTF-16 it stores.
// Registry links are followed where Windows follows them: a link's
// SymbolicLinkValue names \Registry\Machine\... (HKEY_LOCAL_MACHINE) or
// \Registry\User\<anyone>\... (HKEY_CURRENT_USER, the one user here).
// Paths are as long as Windows takes them: Wine's narrow calls refuse paths of
// more than 260 bytes, a limit of Wine's that is not modelled.
// A key's class and security descriptor are kept as given, opaque; a key may be
// made to refuse opens for reading or deleting, as its permissions would.
// It counts open handles so tests can prove that every open is closed.
#pragma once

#include "registry/registry.h"
#include "registry/registry_names.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace karnio {

class MemoryRegistry final : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    // Creates the key and any missing parents; false when it existed already.
    // Names may hold zero characters, as keys made through the native API do.
    bool CreateKey(RegKey root, const std::string& path, RegView view = RegView::Native);
    // Creates the key as needed and sets one value; data is the narrow form.
    void SetValue(RegKey root, const std::string& path, const std::string& valueName,
                  std::uint32_t type, std::vector<unsigned char> data, RegView view = RegView::Native);
    void SetString(RegKey root, const std::string& path, const std::string& valueName,
                   const std::string& text, RegView view = RegView::Native);

    // Makes the key refuse every open (reading), or an open for deleting, as a key
    // whose permissions deny it does.
    void Refuse(RegKey root, const std::string& path, RegView view, bool reading, bool deleting);

    std::size_t OpenHandleCount() const { return handles_.size(); }

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
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    struct Handle {
        NodePtr node;
        bool deleting = false;  // opened for deleting
    };

    NodePtr Resolve(RegKey key) const;
    RegStatus ChildName(RegKey key, std::uint32_t index, std::string& name) const;
    RegKey NewHandle(NodePtr node, bool deleting = false);
    // How a walk treats the last part of its path.
    enum class Last { Follow, OpenLink, CreateLink };
    RegStatus Walk(RegKey root, const std::string& path, RegView view, bool create, NodePtr* found, bool* created,
                   Last last = Last::Follow);
    RegStatus FollowLink(NodePtr& node, int depth) const;
    RegStatus OpenAsItself(RegKey parent, const std::string& name, RegView view, Last last, KeyAccess access,
                           RegKey* result);
    RegStatus Open(RegKey root, const char* path, RegView view, RegKey* result);
    RegStatus Delete(RegKey root, const char* path, RegView view);
    static void Detach(const NodePtr& node);

    std::map<RegKey, NodePtr> roots_;
    std::map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 0x1000;
};

}  // namespace karnio
