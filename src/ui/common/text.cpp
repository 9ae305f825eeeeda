#include "ui/common/text.h"

#include <windows.h>

namespace karnio {

std::wstring Wide(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::wstring LoadText(unsigned id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

std::wstring LoadText(unsigned id, const std::wstring& argument)
{
    std::wstring text = LoadText(id);
    if (const auto at = text.find(L"%1"); at != std::wstring::npos) text.replace(at, 2, argument);
    return text;
}

std::wstring LoadText(unsigned id, const std::wstring& first, const std::wstring& second)
{
    const std::wstring pattern = LoadText(id);
    std::wstring text;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const bool marker = pattern[at] == L'%' && at + 1 < pattern.size() && (pattern[at + 1] == L'1' || pattern[at + 1] == L'2');
        if (marker)
            text += pattern[++at] == L'1' ? first : second;
        else
            text += pattern[at];
    }
    return text;
}

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path;
}

std::wstring ProgramFolder()
{
    const std::wstring path = ProgramPath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace karnio
