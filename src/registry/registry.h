// The registry operations Karnio needs, behind an interface so that the reader
// and the list builder can run on an in-memory tree as well as on the real
// Windows registry. Status codes are Win32 error codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace karnio {

using RegKey = std::uintptr_t;
using RegStatus = long;

// HKEY_LOCAL_MACHINE as the Windows headers spell it: a sign-extended 32-bit value.
inline constexpr RegKey kHkeyLocalMachine =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));
inline constexpr RegKey kHkeyCurrentUser =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));

inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorBadPathname = 161;
inline constexpr RegStatus kErrorMoreData = 234;
inline constexpr RegStatus kErrorNoMoreItems = 259;
inline constexpr RegStatus kErrorAlreadyExists = 183;
inline constexpr RegStatus kErrorKeyDeleted = 1018;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Which registry view a call sees. A 64-bit process sees the native view; the
// 32-bit view of HKEY_LOCAL_MACHINE\Software is where 32-bit installers write
// (stored under Software\WOW6432Node).
enum class RegView { Native, Bits32 };

// What a key opened as itself is opened for, beside reading: deleting it, or
// writing its values and making keys below it.
enum class KeyAccess { Read, Delete, Write };

// What RegQueryInfoKeyW tells of a key.
struct KeyInfo {
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    std::uint32_t maxNameLength = 0;  // the longest value name in characters, terminator not counted
    std::uint32_t maxDataSize = 0;    // the largest value's size in bytes
    std::u16string keyClass;          // the class the key was made with, as stored
};

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyA: on failure *result is 0.
    virtual RegStatus OpenKey(RegKey root, const char* path, RegKey* result) = 0;
    // RegQueryValueExA: *size is the buffer size in, the data size out (string
    // terminators included); data that does not fit gives kErrorMoreData.
    virtual RegStatus QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                   unsigned char* data, std::uint32_t* size) = 0;
    // RegEnumKeyExA: the name of subkey number index, zero-terminated, with
    // *nameLength the room in characters in (terminator included) and the
    // name's true length out, which counts any zero character inside it.
    virtual RegStatus EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) = 0;
    // RegCloseKey: closing 0 is allowed and reports kErrorInvalidHandle.
    virtual RegStatus CloseKey(RegKey key) = 0;
    // RegDeleteKeyA: deletes a key that has no subkeys (one that has answers kErrorAccessDenied).
    virtual RegStatus DeleteKey(RegKey root, const char* path) = 0;

    // RegOpenKeyExA for reading (KEY_READ) in the given view.
    virtual RegStatus OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result) = 0;
    // RegDeleteKeyExA in the given view.
    virtual RegStatus DeleteKeyEx(RegKey root, const char* path, RegView view) = 0;

    // The wide calls hand names and data over as Windows stores them, unconverted.
    // RegOpenKeyExW for reading (KEY_READ) in the given view.
    virtual RegStatus OpenKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result) = 0;
    // RegQueryInfoKeyW.
    virtual RegStatus QueryInfoKeyW(RegKey key, KeyInfo* info) = 0;
    // RegEnumValueW: *nameLength is the room in characters in (terminator
    // included) and the name's length out; *size as with QueryValueEx, but the
    // data comes as stored, nothing appended. Past the last value kErrorNoMoreItems.
    virtual RegStatus EnumValueW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                                 std::uint32_t* type, unsigned char* data, std::uint32_t* size) = 0;
    // RegEnumKeyExW: as EnumKeyEx, the name as stored.
    virtual RegStatus EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) = 0;
    // The key of one name below an open key, opened as itself (NtOpenKeyEx with
    // OBJ_OPENLINK): a registry link is opened as itself, never followed, so a walk
    // from key to key never leaves the tree it started in. The name is counted and
    // may hold a zero character, as names made through the native API do.
    virtual RegStatus OpenLinkW(RegKey parent, const std::u16string& name, RegView view, KeyAccess access,
                                RegKey* result) = 0;
    // Whether self, the key of name below parent opened as itself, is a registry
    // link: opened normally, the name leads to another key (NtQueryKey's
    // KeyNameInformation tells) or to none. Never guessed from a value.
    virtual RegStatus IsLinkW(RegKey self, RegKey parent, const std::u16string& name, RegView view, bool* link) = 0;
    // NtDeleteKey: deletes the open key itself, a link as itself; a key that has
    // subkeys, or a handle not opened for deleting, is refused (kErrorAccessDenied).
    virtual RegStatus DeleteOpenKey(RegKey key) = 0;
    // RegCreateKeyExW with REG_OPTION_CREATE_LINK, of one name below an open key: a
    // new link, which points where its SymbolicLinkValue (REG_LINK) says once that is set.
    virtual RegStatus CreateLinkW(RegKey parent, const char16_t* name, RegView view, RegKey* result) = 0;
    // RegCreateKeyExW for reading and writing in the given view, creating missing
    // parents; *created tells whether the key itself is new. A new key gets the
    // class keyClass (none for null).
    virtual RegStatus CreateKeyExW(RegKey root, const char16_t* path, RegView view, RegKey* result, bool* created,
                                   const char16_t* keyClass) = 0;
    // RegGetKeySecurity: the key's owner and DACL as a self-relative security descriptor.
    virtual RegStatus GetKeySecurityW(RegKey key, std::vector<unsigned char>& descriptor) = 0;
    // Gives the key of name below parent (opened as itself) the DACL of a
    // descriptor from GetKeySecurityW, its explicit entries only, protected
    // where it was, and its owner where that is not Administrators (with
    // SeRestorePrivilege, which only that call holds).
    virtual RegStatus SetKeySecurityW(RegKey parent, const char16_t* name, RegView view,
                                      const std::vector<unsigned char>& descriptor) = 0;
    // RegSetValueExW. As on Windows, a string value whose size leaves out a zero
    // character that follows in memory gets it counted: a caller storing a
    // string without its terminator must not have one right after the data.
    virtual RegStatus SetValueExW(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                                  std::uint32_t size) = 0;
};

}  // namespace karnio
