#include "catalogue/entry_details.h"

#include "catalogue/uninstall_source.h"
#include "registry/unicode.h"

namespace karnio {

namespace {

constexpr std::size_t kLongestShown = 260;

const RegistryValue* Find(const std::vector<RegistryValue>& values, const char16_t* name)
{
    for (const RegistryValue& value : values) {
        if (value.name.size() != std::char_traits<char16_t>::length(name)) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < value.name.size(); ++i) {
            const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
            same = fold(value.name[i]) == fold(name[i]);
        }
        if (same) return &value;
    }
    return nullptr;
}

std::optional<std::uint32_t> Dword(const std::vector<RegistryValue>& values, const char16_t* name)
{
    const RegistryValue* value = Find(values, name);
    if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
    return static_cast<std::uint32_t>(value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) |
                                      (static_cast<std::uint32_t>(value->data[3]) << 24));
}

bool IsDirectionMark(wchar_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool Blank(const std::wstring& text) { return text.find_first_not_of(L' ') == std::wstring::npos; }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::wstring DateText(const CalendarDate& date)
{
    return std::to_wstring(date.day) + L"." + std::to_wstring(date.month) + L"." + std::to_wstring(date.year);
}

// "YYYYMMDD" of a real calendar date as day.month.year; any other text as stored.
std::wstring InstallDateText(const std::wstring& text)
{
    if (text.size() != 8 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return text;
    const int year = std::stoi(text.substr(0, 4)), month = std::stoi(text.substr(4, 2)), day = std::stoi(text.substr(6, 2));
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // Windows' calendar starts in 1601: an earlier year is no install date.
    if (year < 1601 || month < 1 || month > 12 || day < 1) return text;
    if (day > kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0)) return text;
    return DateText({year, month, day});
}

// Kilobytes as Windows counts them: 1,024 to the next unit, one decimal rounded
// half up, the unit chosen after rounding (1,048,575 kt is 1,0 Gt, not 1024,0 Mt).
DetailLine SizeLine(std::uint32_t kilobytes)
{
    constexpr std::uint64_t kMega = 1024, kGiga = 1024 * 1024;
    if (kilobytes < kMega) return {Detail::Size, std::to_wstring(kilobytes), SizeUnit::Kilobytes};
    const auto tenthsIn = [&](std::uint64_t unit) { return (std::uint64_t{kilobytes} * 10 + unit / 2) / unit; };
    const bool giga = tenthsIn(kMega) >= 10 * kMega;
    const std::uint64_t tenths = tenthsIn(giga ? kGiga : kMega);
    return {Detail::Size, std::to_wstring(tenths / 10) + L"," + std::to_wstring(tenths % 10),
            giga ? SizeUnit::Gigabytes : SizeUnit::Megabytes};
}

}  // namespace

std::optional<std::wstring> TextValue(const std::vector<RegistryValue>& values, const char16_t* name)
{
    const RegistryValue* value = Find(values, name);
    if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
    std::wstring text;
    for (std::size_t at = 0; at + 1 < value->data.size(); at += 2) {
        const wchar_t unit = static_cast<wchar_t>(value->data[at] | (value->data[at + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

std::wstring TipLine(const std::wstring& text, bool cut)
{
    std::wstring line;
    for (const wchar_t c : text) {
        if (IsDirectionMark(c)) continue;
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
        line.push_back(control ? L' ' : c);
    }
    if (cut && line.size() > kLongestShown) {
        std::size_t end = kLongestShown - 1;
        if (line[end - 1] >= 0xD800 && line[end - 1] <= 0xDBFF) --end;  // never half a pair
        line = line.substr(0, end) + L"\u2026";
    }
    return line;
}

std::wstring CutToWidth(const std::wstring& line, int room, const std::function<int(const std::wstring&)>& width)
{
    if (width(line) <= room) return line;
    const auto fits = [&](std::size_t length) { return width(line.substr(0, length) + L"\u2026") <= room; };
    std::size_t low = 0, high = line.size();  // fits(low) is taken for granted, fits(high) is not
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    if (low > 0 && line[low - 1] >= 0xD800 && line[low - 1] <= 0xDBFF) --low;  // never half a pair
    return line.substr(0, low) + L"\u2026";
}

std::optional<std::vector<RegistryValue>> LueArvot(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return std::nullopt;
    OwnedKey key(registry);
    std::vector<RegistryValue> values;
    if (OpenEntryToRead(registry, source, Utf16(aliavain), key) != kErrorSuccess ||
        ReadValues(registry, key.get(), values) != kErrorSuccess)
        return std::nullopt;
    return values;
}

EntryDetails KuvaaMerkinta(const std::vector<RegistryValue>& values, bool inLowerList, const LocalDateOf& localDate,
                           bool cut)
{
    EntryDetails details;
    const auto addText = [&](Detail kind, const char16_t* name) {
        const std::optional<std::wstring> text = TextValue(values, name);
        if (!text || Blank(*text)) return;
        details.lines.push_back({kind, TipLine(kind == Detail::Installed ? InstallDateText(*text) : *text, cut)});
    };
    addText(Detail::Publisher, u"Publisher");
    addText(Detail::Version, u"DisplayVersion");
    if (const std::optional<std::uint32_t> seconds = Dword(values, u"InstallDate"))
        details.lines.push_back({Detail::Installed, DateText(localDate(*seconds))});
    else
        addText(Detail::Installed, u"InstallDate");
    addText(Detail::Folder, u"InstallLocation");
    if (const std::optional<std::uint32_t> size = Dword(values, u"EstimatedSize"); size && *size)
        details.lines.push_back(SizeLine(*size));

    const std::optional<std::wstring> parentKey = TextValue(values, u"ParentKeyName");
    const std::optional<std::wstring> name = TextValue(values, u"DisplayName");
    if (Dword(values, u"SystemComponent") == 1u) {
        details.hidden = Hidden::SystemComponent;
    } else if (parentKey && !parentKey->empty()) {
        const std::optional<std::wstring> parentName = TextValue(values, u"ParentDisplayName");
        details.hidden = Hidden::Update;
        details.parent = TipLine(parentName && !parentName->empty() ? *parentName : *parentKey, cut);
    } else if (!name || name->empty()) {
        details.hidden = Hidden::NoName;
    } else if (inLowerList && Dword(values, u"WindowsInstaller") != 1u) {
        // Windows lists what Windows Installer installed through Windows Installer itself.
        details.hidden = Hidden::NoCommand;
    }
    return details;
}

}  // namespace karnio
