#include "ui/common/desktop_user.h"

#include "catalogue/uninstall_source.h"
#include "ui/common/handles.h"
#include "ui/common/system_library.h"
#include "ui/common/text.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

namespace karnio {

namespace {

std::optional<std::string> UserOf(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    wchar_t* text = nullptr;
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return std::nullopt;
    std::string sid = Narrow(text);
    LocalFree(text);
    return sid;
}

// The environment block as variables by name in upper case.
std::map<std::wstring, std::wstring> Variables(const wchar_t* block)
{
    std::map<std::wstring, std::wstring> variables;
    for (const wchar_t* at = block; *at; at += wcslen(at) + 1) {
        const std::wstring entry = at;
        const std::size_t equals = entry.find(L'=', 1);  // "=C:=C:\..." names start with '='
        if (equals == std::wstring::npos) continue;
        std::wstring name = entry.substr(0, equals);
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        variables.emplace(std::move(name), entry.substr(equals + 1));
    }
    return variables;
}

class WindowsIdentities final : public Identities {
public:
    std::optional<std::string> KarnioUser() override
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
        const UniqueKernelHandle owned(token);
        return UserOf(token);
    }
    std::optional<std::string> DesktopUser() override
    {
        DWORD process = 0;
        HWND shell = GetShellWindow();
        if (!shell || !GetWindowThreadProcessId(shell, &process)) return std::nullopt;
        const UniqueKernelHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
        HANDLE token = nullptr;
        if (!handle || !OpenProcessToken(handle.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &token))
            return std::nullopt;
        shellToken_.reset(token);
        return UserOf(token);
    }
    bool CanActFor(const std::string& sid) override
    {
        HKEY hive = nullptr;
        if (RegOpenKeyExW(HKEY_USERS, Wide(sid).c_str(), 0, KEY_READ, &hive) != ERROR_SUCCESS) return false;
        RegCloseKey(hive);
        static const HMODULE userenv = SystemLibrary(L"userenv.dll");
        const auto create = SystemFunction<BOOL(WINAPI*)(void**, HANDLE, BOOL)>(userenv, "CreateEnvironmentBlock");
        const auto destroy = SystemFunction<BOOL(WINAPI*)(void*)>(userenv, "DestroyEnvironmentBlock");
        void* block = nullptr;
        if (!create || !destroy || !shellToken_ || !create(&block, shellToken_.get(), FALSE)) return false;
        environment_ = Variables(static_cast<const wchar_t*>(block));
        destroy(block);
        return true;
    }
    std::map<std::wstring, std::wstring>& Environment() { return environment_; }

private:
    UniqueKernelHandle shellToken_;
    std::map<std::wstring, std::wstring> environment_;
};

}  // namespace

std::optional<DesktopUser> FindDesktopUser()
{
    WindowsIdentities identities;
    std::string sid = PerUserHive(identities);
    if (sid.empty()) return std::nullopt;
    return DesktopUser{std::move(sid), std::move(identities.Environment())};
}

}  // namespace karnio
