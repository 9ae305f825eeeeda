#include "registry/memory_registry.h"

#include "registry/unicode.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace karnio {

namespace {
struct StoredValue {
    std::string name;
    std::uint32_t type;
    std::vector<unsigned char> data;
    bool wide = false;  // string data written by the wide calls, as UTF-16
};
}  // namespace

struct MemoryRegistry::Node {
    using Value = StoredValue;
    std::string name;
    std::vector<NodePtr> children;  // kept in enumeration order
    std::vector<Value> values;
    Node* parent = nullptr;
    bool deleted = false;
    bool link = false;  // made with REG_OPTION_CREATE_LINK
    std::u16string keyClass;
    std::vector<unsigned char> security;  // as SetKeySecurityW gave it, none at first
    bool refuseRead = false, refuseDelete = false;
};

namespace {

constexpr char kWow6432Node[] = "WOW6432Node";

bool IsStringType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::u16string Units(const std::vector<unsigned char>& bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return units;
}

std::vector<unsigned char> Bytes(const std::u16string& units)
{
    std::vector<unsigned char> bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
}

// Sets a value, or adds it; an overwritten value keeps the name it was made with.
void Store(std::vector<StoredValue>& values, StoredValue stored)
{
    for (auto& value : values) {
        if (CompareRegistryNames(value.name, stored.name) == 0) {
            stored.name = value.name;
            value = std::move(stored);
            return;
        }
    }
    values.push_back(std::move(stored));
}

// A path made by a test may hold zero characters, as the native API allows.
std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// A value's data as the narrow calls read it: string data written wide comes
// back in UTF-8 (an odd last byte is lost, as Windows loses it).
std::vector<unsigned char> NarrowData(const StoredValue& value)
{
    if (!value.wide || !IsStringType(value.type)) return value.data;
    const std::string text = Utf8(Units(value.data));
    return std::vector<unsigned char>(text.begin(), text.end());
}

// The same as the wide calls read it: string data written narrow comes back in UTF-16.
std::vector<unsigned char> WideData(const StoredValue& value)
{
    if (value.wide || !IsStringType(value.type)) return value.data;
    return Bytes(Utf16(std::string(value.data.begin(), value.data.end())));
}

}  // namespace

MemoryRegistry::MemoryRegistry()
{
    roots_[kHkeyLocalMachine] = std::make_shared<Node>();
    roots_[kHkeyCurrentUser] = std::make_shared<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::NodePtr MemoryRegistry::Resolve(RegKey key) const
{
    if (auto root = roots_.find(key); root != roots_.end()) return root->second;
    if (auto open = handles_.find(key); open != handles_.end()) return open->second.node;
    return nullptr;
}

RegStatus MemoryRegistry::Walk(RegKey root, const std::string& path, RegView view, bool create, NodePtr* found,
                               bool* created, Last last)
{
    NodePtr node = Resolve(root);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    if (path[0] == '\\') return kErrorBadPathname;
    if (created) *created = false;
    std::vector<std::string> parts = SplitPath(path);
    // The 32-bit view of HKLM\Software is Software\WOW6432Node; a path that
    // names WOW6432Node itself is not sent there twice.
    if (view == RegView::Bits32 && root == kHkeyLocalMachine && !parts.empty() &&
        CompareRegistryNames(parts[0], "Software") == 0 &&
        (parts.size() < 2 || CompareRegistryNames(parts[1], kWow6432Node) != 0))
        parts.insert(parts.begin() + 1, kWow6432Node);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool isLast = i + 1 == parts.size();
        auto& kids = node->children;
        auto at = std::lower_bound(kids.begin(), kids.end(), part, [](const NodePtr& kid, const std::string& name) {
            return CompareRegistryNames(kid->name, name) < 0;
        });
        if (at == kids.end() || CompareRegistryNames((*at)->name, part) != 0) {
            if (!create) return kErrorFileNotFound;
            auto kid = std::make_shared<Node>();
            kid->name = part;
            kid->parent = node.get();
            kid->link = isLast && last == Last::CreateLink;
            at = kids.insert(at, kid);
            if (created) *created = true;
        } else if (isLast && last == Last::CreateLink) {
            return kErrorAlreadyExists;
        }
        node = *at;
        if (node->link && !(isLast && last != Last::Follow)) {
            const RegStatus status = FollowLink(node, 0);
            if (status != kErrorSuccess) return status;
        }
    }
    *found = node;
    return kErrorSuccess;
}

// Replaces a link by the key it names, through further links, as Windows does.
RegStatus MemoryRegistry::FollowLink(NodePtr& node, int depth) const
{
    constexpr int kMostLinks = 16;
    std::u16string target;
    for (const auto& value : node->values)
        if (value.type == kRegLink && CompareRegistryNames(value.name, "SymbolicLinkValue") == 0) target = Units(value.data);
    if (target.empty() || depth >= kMostLinks) return kErrorFileNotFound;
    std::string path = Utf8KeepingSurrogates(target);
    const auto take = [&](const std::string& prefix) {
        const bool match = path.size() > prefix.size() && CompareRegistryNames(path.substr(0, prefix.size()), prefix) == 0;
        if (match) path.erase(0, prefix.size());
        return match;
    };
    NodePtr at;
    if (take("\\Registry\\Machine\\")) {
        at = roots_.at(kHkeyLocalMachine);
    } else if (take("\\Registry\\User\\") && path.find('\\') != std::string::npos) {
        path.erase(0, path.find('\\') + 1);
        at = roots_.at(kHkeyCurrentUser);
    } else {
        return kErrorFileNotFound;
    }
    for (const std::string& part : SplitPath(path)) {
        const auto kid = std::find_if(at->children.begin(), at->children.end(),
                                      [&](const NodePtr& child) { return CompareRegistryNames(child->name, part) == 0; });
        if (kid == at->children.end()) return kErrorFileNotFound;
        at = *kid;
        if (at->link) {
            const RegStatus status = FollowLink(at, depth + 1);
            if (status != kErrorSuccess) return status;
        }
    }
    node = at;
    return kErrorSuccess;
}

bool MemoryRegistry::CreateKey(RegKey root, const std::string& path, RegView view)
{
    NodePtr node;
    bool created = false;
    Walk(root, path, view, true, &node, &created);
    return created;
}

void MemoryRegistry::SetValue(RegKey root, const std::string& path, const std::string& valueName,
                              std::uint32_t type, std::vector<unsigned char> data, RegView view)
{
    NodePtr node;
    if (Walk(root, path, view, true, &node, nullptr) != kErrorSuccess) return;
    Store(node->values, {valueName, type, std::move(data)});
}

void MemoryRegistry::SetString(RegKey root, const std::string& path, const std::string& valueName,
                               const std::string& text, RegView view)
{
    std::vector<unsigned char> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(root, path, valueName, kRegSz, std::move(data), view);
}

RegStatus MemoryRegistry::OpenKey(RegKey root, const char* path, RegKey* result)
{
    if (!path || !*path) {
        // RegOpenKeyA hands back the key it was given, without a new handle.
        *result = 0;
        if (!Resolve(root)) return kErrorInvalidHandle;
        *result = root;
        return kErrorSuccess;
    }
    return Open(root, path, RegView::Native, result);
}

RegStatus MemoryRegistry::OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result)
{
    return Open(root, path ? path : "", view, result);
}

RegStatus MemoryRegistry::Open(RegKey root, const char* path, RegView view, RegKey* result)
{
    *result = 0;
    NodePtr node;
    const RegStatus status = Walk(root, path, view, false, &node, nullptr);
    if (status != kErrorSuccess) return status;
    if (node->refuseRead) return kErrorAccessDenied;
    *result = NewHandle(node);
    return kErrorSuccess;
}

RegKey MemoryRegistry::NewHandle(NodePtr node, bool deleting)
{
    const RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = {std::move(node), deleting};
    return handle;
}

void MemoryRegistry::Refuse(RegKey root, const std::string& path, RegView view, bool reading, bool deleting)
{
    NodePtr node;
    if (Walk(root, path, view, false, &node, nullptr, Last::OpenLink) != kErrorSuccess) return;
    node->refuseRead = reading;
    node->refuseDelete = deleting;
}

RegStatus MemoryRegistry::QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                       unsigned char* data, std::uint32_t* size)
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    const std::string name = valueName ? valueName : "";
    for (const auto& value : node->values) {
        if (CompareRegistryNames(value.name, name) != 0) continue;
        const std::vector<unsigned char> stored = NarrowData(value);
        const auto length = static_cast<std::uint32_t>(stored.size());
        if (type) *type = value.type;
        if (!data) {
            *size = length;
            return kErrorSuccess;
        }
        const std::uint32_t room = *size;
        *size = length;
        if (length > room) return kErrorMoreData;
        std::copy(stored.begin(), stored.end(), data);
        if (IsStringType(value.type) && length > 0 && length < room && data[length - 1] != 0)
            data[length] = 0;
        return kErrorSuccess;
    }
    return kErrorFileNotFound;
}

namespace {
// A subkey name as RegEnumKeyEx hands it out: whole, terminated, its length without the terminator.
template <typename Char>
RegStatus HandOutName(const std::basic_string<Char>& kid, Char* name, std::uint32_t* nameLength)
{
    if (kid.size() + 1 > *nameLength) return kErrorMoreData;
    std::copy(kid.begin(), kid.end(), name);
    name[kid.size()] = Char();
    *nameLength = static_cast<std::uint32_t>(kid.size());
    return kErrorSuccess;
}
}  // namespace

RegStatus MemoryRegistry::ChildName(RegKey key, std::uint32_t index, std::string& name) const
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    name = node->children[index]->name;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength)
{
    std::string kid;
    const RegStatus status = ChildName(key, index, kid);
    // Windows hands an unpaired surrogate to the narrow calls as U+FFFD.
    if (HoldsLoneSurrogate(kid)) kid = Utf8(Utf16(kid));
    return status == kErrorSuccess ? HandOutName(kid, name, nameLength) : status;
}

RegStatus MemoryRegistry::EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength)
{
    std::string kid;
    const RegStatus status = ChildName(key, index, kid);
    return status == kErrorSuccess ? HandOutName(Utf16(kid), name, nameLength) : status;
}

RegStatus MemoryRegistry::CloseKey(RegKey key)
{
    if (roots_.count(key)) return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

RegStatus MemoryRegistry::DeleteKey(RegKey root, const char* path) { return Delete(root, path, RegView::Native); }

RegStatus MemoryRegistry::DeleteKeyEx(RegKey root, const char* path, RegView view) { return Delete(root, path, view); }

RegStatus MemoryRegistry::Delete(RegKey root, const char* path, RegView view)
{
    if (!path) return kErrorInvalidParameter;
    NodePtr node;
    const RegStatus status = Walk(root, path, view, false, &node, nullptr);
    if (status != kErrorSuccess) return status;
    if (!node->parent || !node->children.empty()) return kErrorAccessDenied;
    Detach(node);
    return kErrorSuccess;
}

// A handle on the key of name below parent, itself and not what a link names; made as a new link for CreateLink.
RegStatus MemoryRegistry::OpenAsItself(RegKey parent, const std::string& name, RegView view, Last last, KeyAccess access,
                                       RegKey* result)
{
    *result = 0;
    NodePtr node;
    const RegStatus status = Walk(parent, name, view, last == Last::CreateLink, &node, nullptr, last);
    if (status != kErrorSuccess) return status;
    if (node->refuseRead || (access == KeyAccess::Delete && node->refuseDelete)) return kErrorAccessDenied;
    *result = NewHandle(node, access == KeyAccess::Delete || last == Last::CreateLink);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access,
                                    RegKey* result)
{
    return OpenAsItself(parent, Utf8KeepingSurrogates(name), view, Last::OpenLink, access, result);
}

RegStatus MemoryRegistry::IsLinkW(RegKey self, RegKey, const std::u16string&, RegView, bool* link)
{
    *link = false;
    const NodePtr node = Resolve(self);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    *link = node->link;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteOpenKey(RegKey key)
{
    const auto open = handles_.find(key);
    if (open == handles_.end()) return kErrorInvalidHandle;
    const NodePtr node = open->second.node;
    if (node->deleted) return kErrorKeyDeleted;
    if (!open->second.deleting || !node->parent || !node->children.empty()) return kErrorAccessDenied;
    Detach(node);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result)
{
    return OpenAsItself(parent, Utf8KeepingSurrogates(name ? name : u""), view, Last::CreateLink, KeyAccess::Write, result);
}

// Takes the key out of the tree; handles still open on it or below it see a deleted key.
void MemoryRegistry::Detach(const NodePtr& node)
{
    auto& siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    node->parent = nullptr;
    std::vector<Node*> pending = {node.get()};
    while (!pending.empty()) {
        Node* gone = pending.back();
        pending.pop_back();
        gone->deleted = true;
        for (const NodePtr& kid : gone->children) pending.push_back(kid.get());
    }
}

RegStatus MemoryRegistry::OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result)
{
    return Open(root, Utf8KeepingSurrogates(path ? path : u"").c_str(), view, result);
}

RegStatus MemoryRegistry::QueryInfoKeyW(RegKey key, KeyInfo* info)
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    *info = {};
    info->subkeys = static_cast<std::uint32_t>(node->children.size());
    info->keyClass = node->keyClass;
    info->values = static_cast<std::uint32_t>(node->values.size());
    for (const auto& value : node->values) {
        info->maxNameLength = std::max(info->maxNameLength, static_cast<std::uint32_t>(Utf16(value.name).size()));
        info->maxDataSize = std::max(info->maxDataSize, static_cast<std::uint32_t>(WideData(value).size()));
    }
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                                     std::uint32_t* type, unsigned char* data, std::uint32_t* size)
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const auto& value = node->values[index];
    const std::u16string wideName = Utf16(value.name);
    if (wideName.size() >= *nameLength) return kErrorMoreData;
    std::copy(wideName.begin(), wideName.end(), name);
    name[wideName.size()] = u'\0';
    *nameLength = static_cast<std::uint32_t>(wideName.size());
    *type = value.type;
    const std::vector<unsigned char> stored = WideData(value);
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(stored.size());
    if (!data) return kErrorSuccess;
    if (stored.size() > room) return kErrorMoreData;
    std::copy(stored.begin(), stored.end(), data);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result,
                                       bool* created, const char16_t* keyClass)
{
    *result = 0;
    *created = false;
    NodePtr node;
    const RegStatus status = Walk(root, Utf8KeepingSurrogates(path ? path : u""), view, true, &node, created);
    if (status != kErrorSuccess) return status;
    if (!*created && node->refuseRead) return kErrorAccessDenied;
    if (*created && keyClass) node->keyClass = keyClass;
    *result = NewHandle(node);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor)
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    descriptor = node->security;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                                          const std::vector<unsigned char>& descriptor)
{
    NodePtr node;
    const RegStatus status = Walk(parent, Utf8KeepingSurrogates(name ? name : u""), view, false, &node, nullptr, Last::OpenLink);
    if (status != kErrorSuccess) return status;
    node->security = descriptor;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::SetValueExW(RegKey key, const char16_t* name, std::uint32_t type,
                                      const unsigned char* data, std::uint32_t size)
{
    const NodePtr node = Resolve(key);
    if (!node) return kErrorInvalidHandle;
    if (node->deleted) return kErrorKeyDeleted;
    // Windows counts a terminator the caller left out if one follows in memory
    // (the character before it, for a size of one byte, is taken as not zero).
    if (size && IsStringType(type)) {
        const auto unit = [&](std::uint32_t at) { return data[2 * at] | data[2 * at + 1]; };
        if ((size < 2 || unit(size / 2 - 1) != 0) && unit(size / 2) == 0) size += 2;
    }
    Store(node->values, {Utf8KeepingSurrogates(name ? name : u""), type, std::vector<unsigned char>(data, data + size), true});
    return kErrorSuccess;
}

}  // namespace karnio
