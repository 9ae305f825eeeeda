#include "ui/common/desktop_user.h"

#include "registry/unicode.h"
#include "registry/windows_registry.h"
#include "ui/common/handles.h"
#include "ui/common/system_library.h"
#include "ui/common/text.h"

#include <windows.h>
#include <sddl.h>
#include <wtsapi32.h>

#include <memory>
#include <vector>

namespace karnio {

namespace {

std::optional<std::string> SidText(PSID sid)
{
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return std::nullopt;
    std::string sidText = Narrow(text);
    LocalFree(text);
    return sidText;
}

// Karnio's own token's user, in the buffer that holds it.
std::vector<unsigned char> OwnTokenUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const UniqueKernelHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, ::TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

// Nothing of it needs a privilege: no other process or token is opened.
class WindowsIdentities final : public Identities {
public:
    std::optional<std::string> KarnioUser() override
    {
        const std::vector<unsigned char> user = OwnTokenUser();
        if (user.empty()) return std::nullopt;
        return SidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
    }
    std::optional<std::string> KarnioAccount() override
    {
        const std::vector<unsigned char> user = OwnTokenUser();
        wchar_t name[256], domain[256];
        DWORD nameLength = 256, domainLength = 256;
        SID_NAME_USE use;
        if (user.empty() || !LookupAccountSidW(nullptr, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, name,
                                               &nameLength, domain, &domainLength, &use))
            return std::nullopt;
        return Narrow(std::wstring(domain) + L"\\" + name);
    }
    std::optional<std::string> SessionAccount() override
    {
        static const HMODULE wtsapi = SystemLibrary(L"wtsapi32.dll");
        const auto query = SystemFunction<decltype(&WTSQuerySessionInformationW)>(wtsapi, "WTSQuerySessionInformationW");
        const auto release = SystemFunction<decltype(&WTSFreeMemory)>(wtsapi, "WTSFreeMemory");
        DWORD session = 0;
        if (!query || !release || !ProcessIdToSessionId(GetCurrentProcessId(), &session)) return std::nullopt;
        const auto ask = [&](WTS_INFO_CLASS what) -> std::optional<std::wstring> {
            wchar_t* text = nullptr;
            DWORD size = 0;
            if (!query(WTS_CURRENT_SERVER_HANDLE, session, what, &text, &size) || !text) return std::nullopt;
            std::wstring answer = text;
            release(text);
            return answer;
        };
        const std::optional<std::wstring> name = ask(WTSUserName), domain = ask(WTSDomainName);
        if (!name || name->empty()) return std::nullopt;
        return Narrow((domain ? *domain : L"") + L"\\" + *name);
    }
    std::optional<std::string> SidOf(const std::string& account) override
    {
        DWORD size = 0, domainLength = 0;
        SID_NAME_USE use;
        LookupAccountNameW(nullptr, Wide(account).c_str(), nullptr, &size, nullptr, &domainLength, &use);
        std::vector<unsigned char> sid(size);
        std::wstring domain(domainLength, L'\0');
        if (size == 0 || !LookupAccountNameW(nullptr, Wide(account).c_str(), sid.data(), &size, domain.data(), &domainLength, &use))
            return std::nullopt;
        return SidText(sid.data());
    }
    Registry* HiveOf(const std::string& sid) override
    {
        HKEY hive = nullptr;
        if (RegOpenKeyExW(HKEY_USERS, Wide(sid).c_str(), 0, KEY_READ, &hive) != ERROR_SUCCESS) return nullptr;
        RegCloseKey(hive);
        hive_ = std::make_unique<WindowsRegistry>(Utf16(sid));
        return hive_.get();
    }

private:
    std::unique_ptr<WindowsRegistry> hive_;
};

}  // namespace

PerUser FindDesktopUser()
{
    WindowsIdentities identities;
    return FindPerUser(identities);
}

}  // namespace karnio
