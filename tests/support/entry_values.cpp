#include "support/entry_values.h"

#include "registry/unicode.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace karnio::test {

namespace {

std::vector<unsigned char> Units(const std::u16string& text)
{
    std::vector<unsigned char> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
}

// UTF-16 bytes of a UTF-8 text, terminator included.
std::vector<unsigned char> Text(const std::string& utf8) { return Units(Utf16(utf8) + u'\0'); }

}  // namespace

std::vector<RegistryValue> EveryKindOfValue(int tag)
{
    std::vector<unsigned char> binary(100000);
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<unsigned char>(i * 7 + tag);
    const std::vector<unsigned char> noTerminator = Units(u"abc");
    std::vector<unsigned char> odd = Units(u"abc");
    odd.pop_back();
    return {
        {u"", kRegSz, Text("Oletusarvo " + std::to_string(tag))},
        {u"DisplayName", kRegSz, Text("Palautettava ohjelma")},
        {u"UninstallString", kRegSz, Text("\"C:\\Poisto ÄÖ\\poista.exe\" /S")},
        {u"Ilman päätettä", kRegSz, noTerminator},
        {u"Pariton", kRegSz, odd},
        {u"Puolikkaat", kRegSz, Units(std::u16string{0xD800, u'x', 0xDC00, u'\0'})},
        {u"Tyhjä teksti", kRegSz, {}},
        {u"Laajennettava", kRegExpandSz, Text("%ProgramFiles%\\Palautus")},
        {u"Monta", kRegMultiSz, Units(std::u16string(u"yksi\0kaksi\0\0", 12))},
        {u"Binääri", kRegBinary, binary},
        {u"Luku", kRegDword, {0x78, 0x56, 0x34, 0x12}},
        {u"Iso luku", kRegQword, {1, 2, 3, 4, 5, 6, 7, static_cast<unsigned char>(tag)}},
        {u"Ei tyyppiä", kRegNone, {0, 1, 2}},
        {u"Tyhjä", kRegNone, {}},
        {u"Имя значения", kRegSz, Text("Привет")},
        {u"名前 \U0001F600", kRegSz, Text("値")},
    };
}

void WriteEntry(Registry& registry, UninstallSource source, const std::string& subkey,
                const std::vector<RegistryValue>& values)
{
    RegKey key = 0;
    bool created = false;
    ASSERT_EQ(registry.CreateKeyExW(RootOf(source), Utf16(kUninstallPath + subkey).c_str(), ViewOf(source), &key, &created, nullptr),
              kErrorSuccess);
    for (const RegistryValue& value : values) {
        std::vector<unsigned char> buffer = value.data;
        buffer.insert(buffer.end(), 4, 0xFF);  // no zero after the data for Windows to count
        EXPECT_EQ(registry.SetValueExW(key, value.name.c_str(), value.type, buffer.data(),
                                       static_cast<std::uint32_t>(value.data.size())),
                  kErrorSuccess);
    }
    registry.CloseKey(key);
}

std::vector<std::string> Describe(const std::vector<RegistryValue>& values)
{
    std::vector<std::string> lines;
    for (const RegistryValue& value : values) {
        std::string line = Utf8KeepingSurrogates(value.name) + " " + std::to_string(value.type) + " ";
        static constexpr char kHex[] = "0123456789abcdef";
        for (const unsigned char byte : value.data) line.append({kHex[byte >> 4], kHex[byte & 15]});
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> Describe(const KeyContents& key)
{
    std::vector<std::string> lines = Describe(key.values);
    if (!key.keyClass.empty()) lines.push_back("[class] " + Utf8KeepingSurrogates(key.keyClass));
    if (!key.security.empty()) lines.push_back("[security] " + Describe({{u"", 0, key.security}}).front());
    for (const RegistrySubkey& below : key.subkeys)
        for (const std::string& line : Describe(below)) lines.push_back(Utf8KeepingSurrogates(below.name) + "\\" + line);
    return lines;
}

namespace {

void Dump(Registry& registry, RegKey parent, const std::u16string& name, const std::string& path, std::vector<std::string>& lines)
{
    RegKey key = 0;
    KeyInfo info;
    if (registry.OpenLinkW(parent, name, RegView::Native, KeyAccess::Read, &key) != kErrorSuccess ||
        registry.QueryInfoKeyW(key, &info) != kErrorSuccess) {
        registry.CloseKey(key);
        return lines.push_back(path + " (not readable)");
    }
    bool link = false;
    std::vector<unsigned char> security;
    registry.IsLinkW(key, parent, name, RegView::Native, &link);
    registry.GetKeySecurityW(key, security);
    lines.push_back(path + (link ? " link" : "") + " class " + Utf8KeepingSurrogates(info.keyClass));
    lines.push_back(path + " security " + Describe({{u"", 0, security}}).front());
    std::u16string child(256, u'\0');
    std::vector<unsigned char> data(info.maxDataSize + 1);
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t length = 256, type = 0, size = static_cast<std::uint32_t>(data.size());
        if (registry.EnumValueW(key, i, child.data(), &length, &type, data.data(), &size) != kErrorSuccess) break;
        lines.push_back(path + " = " + Describe({{child.substr(0, length), type, {data.begin(), data.begin() + size}}}).front());
    }
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t length = 256;
        if (registry.EnumKeyExW(key, i, child.data(), &length) != kErrorSuccess) break;
        Dump(registry, key, child.substr(0, length), path + "\\" + Utf8KeepingSurrogates(child.substr(0, length)), lines);
    }
    registry.CloseKey(key);
}

}  // namespace

std::vector<std::string> Snapshot(Registry& registry)
{
    std::vector<std::string> lines;
    Dump(registry, kHkeyLocalMachine, u"", "HKLM", lines);
    Dump(registry, kHkeyCurrentUser, u"", "HKCU", lines);
    return lines;
}

void WriteLink(Registry& registry, UninstallSource source, const std::string& subkey, const std::u16string& name,
               const std::u16string& target)
{
    RegKey entry = 0, link = 0;
    bool created = false;
    const std::string parent = subkey.empty() ? std::string(kUninstallPath, sizeof kUninstallPath - 2) : kUninstallPath + subkey;
    ASSERT_EQ(registry.CreateKeyExW(RootOf(source), Utf16(parent).c_str(), ViewOf(source), &entry, &created, nullptr), kErrorSuccess);
    ASSERT_EQ(registry.CreateLinkW(entry, name.c_str(), ViewOf(source), &link), kErrorSuccess);
    // The target without a terminator, as Windows wants it.
    const std::vector<unsigned char> bytes = Units(target);
    EXPECT_EQ(registry.SetValueExW(link, u"SymbolicLinkValue", kRegLink, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
              kErrorSuccess);
    registry.CloseKey(link);
    registry.CloseKey(entry);
}

void ExpectEveryValueRoundTrips(Registry& registry, const ReadBack& readBack)
{
    const std::string subkey = "Palautus ÄÖ 名前";
    for (const UninstallSource source : kUninstallSources) WriteEntry(registry, source, subkey, EveryKindOfValue(static_cast<int>(source)));
    VectorSink programs, hidden;
    ListaaOhjelmat(registry, programs, hidden);
    const std::vector<Row> listed = programs.Sorted();
    ASSERT_EQ(listed.size(), 3u);

    for (const UninstallSource source : kUninstallSources) {
        const std::string label = "source " + std::to_string(static_cast<int>(source));
        const std::optional<PoistettuMerkinta> copy = PoistaMerkinta(registry, source, subkey).copy;
        ASSERT_TRUE(copy) << label;
        EXPECT_TRUE(readBack(source, subkey).empty()) << label;
        for (const UninstallSource other : kUninstallSources) {
            if (other == source) continue;
            EXPECT_EQ(Describe(readBack(other, subkey)), Describe(EveryKindOfValue(static_cast<int>(other)))) << label;
        }
        ASSERT_EQ(PalautaMerkinta(registry, *copy), kErrorSuccess) << label;
        EXPECT_EQ(Describe(readBack(source, subkey)), Describe(EveryKindOfValue(static_cast<int>(source)))) << label;
        ListaaOhjelmat(registry, programs, hidden);
        EXPECT_EQ(programs.Sorted(), listed) << label;
        EXPECT_TRUE(hidden.rows.empty()) << label;
    }
}

}  // namespace karnio::test
