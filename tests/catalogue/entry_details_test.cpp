// What the info tip tells of an entry's values, and of Windows' own list.
#include "catalogue/entry_details.h"


#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace karnio {
namespace {

RegistryValue Text(const std::u16string& name, const std::u16string& text, std::uint32_t type = kRegSz)
{
    std::vector<unsigned char> data;
    for (const char16_t unit : text + u'\0') {
        data.push_back(static_cast<unsigned char>(unit & 0xFF));
        data.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return {name, type, data};
}

RegistryValue Number(const std::u16string& name, std::uint32_t number)
{
    return {name, kRegDword, {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                              static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)}};
}

// The lines as "Label|text|unit", then the Windows-list reason and its program.
std::vector<std::string> Lines(const std::vector<RegistryValue>& values, bool lower = false)
{
    static const char* const kinds[] = {"Publisher", "Version", "Installed", "Folder", "Size"};
    static const char* const units[] = {"", " kt", " Mt", " Gt"};
    static const char* const reasons[] = {"", "system", "update of ", "no name", "no command"};
    const auto narrow = [](const std::wstring& text) {
        std::string out;
        for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : c == L'\u2026' ? '~' : '?';
        return out;
    };
    const EntryDetails details = KuvaaMerkinta(values, lower, [](std::uint32_t seconds) {
        // A made-up zone: the date is the seconds' own digits.
        return CalendarDate{static_cast<int>(seconds / 10000), static_cast<int>(seconds / 100 % 100), static_cast<int>(seconds % 100)};
    });
    std::vector<std::string> lines;
    for (const DetailLine& line : details.lines)
        lines.push_back(std::string(kinds[static_cast<int>(line.kind)]) + "|" + narrow(line.text) + units[static_cast<int>(line.unit)]);
    if (details.hidden != Hidden::None) lines.push_back(reasons[static_cast<int>(details.hidden)] + narrow(details.parent));
    return lines;
}

using L = std::vector<std::string>;

TEST(EntryDetails, ValuesBecomeTipLinesInTheirOrder)
{
    const RegistryValue name = Text(u"DisplayName", u"Ohjelma");
    // Every detail, stored in another order and with names in another case.
    EXPECT_EQ(Lines({Number(u"estimatedsize", 1536), Text(u"InstallLocation", u"C:\\Ohjelmat\\X"), name,
                     Text(u"InstallDate", u"20261209"), Text(u"DisplayVersion", u"2.1"), Text(u"PUBLISHER", u"Karnio Oy")}),
              (L{"Publisher|Karnio Oy", "Version|2.1", "Installed|9.12.2026", "Folder|C:\\Ohjelmat\\X", "Size|1,5 Mt"}));

    // Dates: only a real calendar date is turned round; a number is a moment, shown as the local date.
    const std::vector<std::pair<RegistryValue, L>> dates = {
        {Text(u"InstallDate", u"20240229"), {"Installed|29.2.2024"}},
        {Text(u"InstallDate", u"20230229"), {"Installed|20230229"}},
        {Text(u"InstallDate", u"20230231"), {"Installed|20230231"}},
        {Text(u"InstallDate", u"20231301"), {"Installed|20231301"}},
        {Text(u"InstallDate", u"20000229"), {"Installed|29.2.2000"}},
        {Text(u"InstallDate", u"19000229"), {"Installed|19000229"}},
        {Text(u"InstallDate", u"20230100"), {"Installed|20230100"}},
        {Text(u"InstallDate", u"00000229"), {"Installed|00000229"}},
        {Text(u"InstallDate", u"2023-1-1"), {"Installed|2023-1-1"}},
        {Text(u"InstallDate", u"202301011"), {"Installed|202301011"}},
        {Number(u"InstallDate", 20250704), {"Installed|4.7.2025"}},
        {{u"InstallDate", kRegBinary, {0x20, 0x26}}, {}},
    };
    for (const auto& [value, lines] : dates) EXPECT_EQ(Lines({name, value}), lines);

    // Sizes on both sides of each unit boundary, rounded half up; zero and a text are no size.
    const std::vector<std::pair<std::uint32_t, std::string>> sizes = {
        {1, "1 kt"},          {1023, "1023 kt"},     {1024, "1,0 Mt"},         {1075, "1,0 Mt"},
        {1076, "1,1 Mt"},     {1280, "1,3 Mt"},      {1048524, "1023,9 Mt"},   {1048525, "1,0 Gt"},      {1048575, "1,0 Gt"},   {1048576, "1,0 Gt"},
        {3145728, "3,0 Gt"},  {4294967295u, "4096,0 Gt"},
    };
    for (const auto& [kilobytes, shown] : sizes) EXPECT_EQ(Lines({name, Number(u"EstimatedSize", kilobytes)}), L{"Size|" + shown});
    EXPECT_EQ(Lines({name, Number(u"EstimatedSize", 0)}), L{});
    EXPECT_EQ(Lines({name, Text(u"EstimatedSize", u"1536")}), L{});

    // Missing, empty, blank and wrong-type values give no line; no value adds a line, nor runs on.
    EXPECT_EQ(Lines({name, Text(u"Publisher", u""), Text(u"DisplayVersion", u"   "), Number(u"InstallLocation", 7),
                     Text(u"Publisher", u"x", kRegMultiSz)}),
              L{});
    EXPECT_EQ(Lines({name, Text(u"Publisher", u"Rivi\r\nToinen\tkolmas"), Text(u"DisplayVersion", u"1.0", kRegExpandSz)}),
              (L{"Publisher|Rivi  Toinen kolmas", "Version|1.0"}));
    EXPECT_EQ(Lines({name, {u"Publisher", kRegSz, {'O', 0, 'y', 0, 'x'}}}), L{"Publisher|Oy"});  // an odd byte is no character
    // Every line is one line, read left to right: other breaks and controls become blanks, direction marks go.
    const std::vector<std::pair<std::u16string, std::string>> cleaned = {
        {u"a\vb\fc\u0085d", "a b c d"},
        {u"a\u2028b\u2029c", "a b c"},
        {u"a\u202Eb\u061Cc\u200E\u200F\u202A\u2066\u2069d", "abcd"},
        {u"a\x01" u"b\x7F" u"c\u009Fd", "a b c d"},
    };
    for (const auto& [text, shown] : cleaned) EXPECT_EQ(Lines({name, Text(u"Publisher", text)}), L{"Publisher|" + shown});
    const std::u16string longText(300, u'a');
    EXPECT_EQ(Lines({name, Text(u"InstallLocation", longText)}), L{"Folder|" + std::string(259, 'a') + "~"});
    EXPECT_EQ(Lines({name, Text(u"InstallLocation", longText.substr(0, 260))}), L{"Folder|" + std::string(260, 'a')});
    EXPECT_EQ(Lines({name, Text(u"InstallLocation", longText.substr(0, 258) + u"\U0001F600" + longText)}),
              L{"Folder|" + std::string(258, 'a') + "~"});

    // Cut to a width: the longest start that fits with "…", never half a pair; a line that fits stays.
    const auto width = [](const std::wstring& text) {
        int sum = 0;
        for (const wchar_t c : text) sum += c == L'\u2026' ? 3 : c >= 0xD800 && c <= 0xDFFF ? 1 : 2;
        return sum;
    };
    for (const std::wstring& line : {std::wstring{0xDBFF, 0xDFFF, L'R', L'e', L'v', L' ', 0xD800, 0xDC00, L' ', L'O', L'y'}, std::wstring(L"Rev Oy")})
    for (int room = 0; room <= width(line); ++room) {
        const std::wstring cut = CutToWidth(line, room, width);
        const std::size_t kept = cut == line ? line.size() : cut.size() - 1;
        EXPECT_EQ(cut, room >= width(line) ? line : line.substr(0, kept) + L"\u2026") << room;
        EXPECT_TRUE(width(cut) <= room || kept == 0) << room;
        EXPECT_FALSE(kept > 0 && line[kept - 1] >= 0xD800 && line[kept - 1] <= 0xDBFF) << room;
        const std::size_t longer = std::min(line.size(), kept + (kept < line.size() && line[kept] >= 0xD800 && line[kept] <= 0xDBFF ? 2 : 1));
        EXPECT_TRUE(kept == line.size() || width(line.substr(0, longer) + L"\u2026") > room) << room;
    }
}

TEST(EntryDetails, TheFirstReasonWindowsLeavesAnEntryOutIsTold)
{
    const RegistryValue name = Text(u"DisplayName", u"Ohjelma");
    const RegistryValue system = Number(u"SystemComponent", 1);
    const RegistryValue parent = Text(u"ParentKeyName", u"OfficeKey");
    EXPECT_EQ(Lines({name, system, parent}), L{"system"});
    EXPECT_EQ(Lines({name, Text(u"SystemComponent", u"1"), Number(u"SystemComponent2", 1), parent}), L{"update of OfficeKey"});
    EXPECT_EQ(Lines({name, Number(u"SystemComponent", 0), parent, Text(u"ParentDisplayName", u"Office 2016")}),
              L{"update of Office 2016"});
    EXPECT_EQ(Lines({name, parent, Text(u"ParentDisplayName", u"")}), L{"update of OfficeKey"});
    EXPECT_EQ(Lines({Text(u"ParentKeyName", u""), Text(u"QuietDisplayName", u"Hiljainen")}, true), L{"no name"});
    EXPECT_EQ(Lines({Text(u"DisplayName", u"")}, true), L{"no name"});
    EXPECT_EQ(Lines({name}, true), L{"no command"});
    EXPECT_EQ(Lines({name, Number(u"WindowsInstaller", 1)}, true), L{});
    EXPECT_EQ(Lines({name, Text(u"WindowsInstaller", u"1")}, true), L{"no command"});
    EXPECT_EQ(Lines({name, Number(u"WindowsInstaller", 0)}, true), L{"no command"});
    EXPECT_EQ(Lines({name}), L{});
}

}  // namespace
}  // namespace karnio
