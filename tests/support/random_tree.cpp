#include "support/random_tree.h"

#include "catalogue/uninstall_list.h"
#include "registry/unicode.h"

#include <algorithm>
#include <random>

namespace karnio::test {

namespace {

const char* const kNamePieces[] = {
    "a", "B", "z", "Q", "0", "7", "_", "-", ".", "{", "}", "~", "[", "`", "^", "/", "(", ")", " ",
    "ä", "Ö", "å", "Å", "é", "Ü", "ж", "Ж", "я", "Б", "中", "文", "程", "序", "Not Found", "KB",
};
const char* const kTextPieces[] = {
    "Ohjelma", "Päivitys", "Служба", "中文程序", " ", "\"", "C:\\Program Files\\", "uninst.exe",
    " /S", "%ProgramFiles%", "MsiExec.exe /X{12345678-ABCD}", "Not Found", "ÅÄÖ", "é", "x",
};
const char* const kValueNames[] = {"DisplayName", "QuietDisplayName", "UninstallString",
                                   "QuietUninstallString"};

constexpr char16_t kKohde[] = u"\\Registry\\Machine\\Software\\Kohde";

std::vector<unsigned char> Units(const std::u16string& text)
{
    std::vector<unsigned char> bytes;
    for (const char16_t unit : text) bytes.insert(bytes.end(), {static_cast<unsigned char>(unit & 0xFF), static_cast<unsigned char>(unit >> 8)});
    return bytes;
}

// A registry link named name below root\path of the source, to Software\Kohde.
void MakeLink(MemoryRegistry& registry, UninstallSource source, const std::string& path, const std::string& name)
{
    RegKey parent = 0, link = 0;
    bool created = false;
    registry.CreateKeyExW(RootOf(source), Utf16(path).c_str(), ViewOf(source), &parent, &created, nullptr);
    registry.CreateLinkW(parent, Utf16(name).c_str(), ViewOf(source), &link);
    const std::vector<unsigned char> target = Units(kKohde);
    registry.SetValueExW(link, u"SymbolicLinkValue", kRegLink, target.data(), static_cast<std::uint32_t>(target.size()));
    registry.CloseKey(link);
    registry.CloseKey(parent);
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }

    std::string Pick(const char* const* pieces, int count, int parts)
    {
        std::string text;
        for (int i = 0; i < parts; ++i) text += pieces[Below(count)];
        return text;
    }

    std::string KeyName()
    {
        if (Chance(4)) return "Not Found";
        std::string name;
        while (name.empty() || name.front() == ' ' || name.back() == ' ')
            name = Pick(kNamePieces, std::size(kNamePieces), 1 + Below(6));
        return name;
    }

    std::string Text() { return Pick(kTextPieces, std::size(kTextPieces), 1 + Below(4)); }

    TreeValue Value(const std::string& name)
    {
        switch (Below(20)) {
        case 0: return {name, kRegSz, StringData("")};
        case 1: return {name, kRegSz, {}};
        case 2: return {name, kRegSz, StringData(Text(), false)};
        case 3: return {name, kRegExpandSz, StringData(Text())};
        case 4: {
            std::vector<unsigned char> data = StringData(Text());
            const std::vector<unsigned char> more = StringData(Text());
            data.insert(data.end(), more.begin(), more.end());
            data.push_back(0);
            return {name, kRegMultiSz, data};
        }
        case 5: return {name, kRegDword, Bytes(Below(9))};
        case 6: return {name, kRegBinary, Bytes(Below(12))};
        case 7: return {name, static_cast<std::uint32_t>(Chance(50) ? kRegNone : 11), Bytes(Below(9))};
        case 8: return {name, kRegSz, StringData(std::string(2045 + Below(6), 'w'))};
        case 9: return {name, kRegBinary, Bytes(2047 + Below(3))};
        default: return {name, kRegSz, StringData(Text())};
        }
    }

    std::vector<unsigned char> Bytes(int count)
    {
        std::vector<unsigned char> data(count);
        for (auto& byte : data) byte = static_cast<unsigned char>(Below(256));
        return data;
    }

private:
    std::mt19937 random_;
};

// A key of an entry's tree: values, now and then a fake link value, security, a refusal, and keys below.
void AddKey(MemoryRegistry& registry, Generator& generator, UninstallSource source, const std::string& path, int depth)
{
    const RegKey root = RootOf(source);
    const RegView view = ViewOf(source);
    registry.CreateKey(root, path, view);
    for (int i = generator.Below(4); i > 0; --i) {
        const TreeValue value = generator.Value(generator.Chance(10) ? Literal("X\0y") : kValueNames[generator.Below(4)]);
        registry.SetValue(root, path, value.name, value.type, value.data, view);
    }
    if (generator.Chance(15)) registry.SetValue(root, path, "SymbolicLinkValue", kRegLink, Units(kKohde), view);
    if (generator.Chance(30))
        registry.SetKeySecurityW(root, Utf16(path).c_str(), view, generator.Bytes(1 + generator.Below(8)));
    for (int i = depth > 0 ? generator.Below(4) : 0; i > 0; --i) {
        const std::string name = generator.Chance(8) ? Literal("G\0x") : "Osa" + std::to_string(i);
        if (generator.Chance(12))
            MakeLink(registry, source, path, name);
        else
            AddKey(registry, generator, source, path + "\\" + name, depth - 1);
    }
    if (generator.Chance(6)) registry.Refuse(root, path, view, generator.Chance(50), true);
}

}  // namespace

std::vector<EntryId> MakeRandomEntries(MemoryRegistry& registry, std::uint32_t seed)
{
    using S = UninstallSource;
    registry.SetString(kHkeyLocalMachine, "Software\\Kohde", "Arvo", "kohde");
    for (const S source : kUninstallSources) registry.CreateKey(RootOf(source), kUninstallPath, ViewOf(source));
    if (seed == 0) {
        const std::string path = kUninstallPath;
        registry.SetString(kHkeyLocalMachine, path + "Nolla", "DisplayName", "Nolla");
        registry.SetString(kHkeyLocalMachine, path + "Nolla", Literal("X\0y"), "x");
        registry.SetString(kHkeyLocalMachine, path + "Puu\\A\\Syva", "Arvo", "syvä");
        registry.SetString(kHkeyLocalMachine, path + "Puu\\A", "Arvo", "a");
        registry.CreateKey(kHkeyLocalMachine, path + "Puu\\Z\\" + Literal("G\0x"));
        registry.SetValue(kHkeyCurrentUser, path + "Valelinkki", "SymbolicLinkValue", kRegLink, Units(kKohde));
        registry.SetString(kHkeyCurrentUser, path + "Valelinkki", "DisplayName", "Valelinkki");
        for (const char* osa : {"Osa1", "Osa2"}) registry.CreateKey(kHkeyCurrentUser, path + "Valelinkki\\" + osa);
        return {{S::Machine, "Nolla"}, {S::Machine, "Puu"}, {S::User, "Valelinkki"}};
    }
    Generator generator(seed);
    std::vector<EntryId> entries;
    for (int i = 1 + generator.Below(4); i > 0; --i) {
        const S source = kUninstallSources[generator.Below(3)];
        entries.push_back({source, generator.KeyName() + std::to_string(i)});
        if (generator.Chance(10))
            MakeLink(registry, source, kUninstallPath, entries.back().key);
        else
            AddKey(registry, generator, source, kUninstallPath + entries.back().key, 2);
    }
    return entries;
}

std::vector<unsigned char> StringData(const std::string& text, bool terminated)
{
    std::vector<unsigned char> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    return data;
}

Tree MakeRandomTree(std::uint32_t seed)
{
    Generator generator(seed);
    Tree tree;
    MemoryRegistry names;  // only to keep names unique as the registry compares them
    const int count = generator.Below(24);
    for (int i = 0; i < count; ++i) {
        TreeKey key;
        key.name = generator.KeyName();
        if (!names.CreateKey(kHkeyLocalMachine, key.name)) continue;
        for (const char* name : kValueNames)
            if (generator.Chance(55)) key.values.push_back(generator.Value(name));
        if (generator.Chance(20)) key.values.push_back(generator.Value("Publisher"));
        tree.keys.push_back(std::move(key));
    }
    return tree;
}

Forest MakeRandomForest(std::uint32_t seed)
{
    Forest forest;
    for (std::uint32_t i = 0; i < forest.size(); ++i) forest[i] = MakeRandomTree(seed * 3 + i);
    // A twin: the same subkey in another source, with values of its own.
    Generator generator(seed);
    if (!forest[0].keys.empty() && generator.Chance(40)) {
        Tree& other = forest[1 + generator.Below(2)];
        TreeKey twin = forest[0].keys[generator.Below(static_cast<int>(forest[0].keys.size()))];
        const bool clash = std::any_of(other.keys.begin(), other.keys.end(), [&](const TreeKey& key) {
            return CompareRegistryNames(key.name, twin.name) == 0;
        });
        if (!clash) {
            if (!twin.values.empty() && generator.Chance(50)) twin.values.pop_back();
            other.keys.push_back(std::move(twin));
        }
    }
    return forest;
}

Tree MakeSampleTree()
{
    const auto text = [](const char* name, const std::string& value) {
        return TreeValue{name, kRegSz, StringData(value)};
    };
    Tree tree;
    tree.keys = {
        {"Päivitysohjelma", {text("DisplayName", "Päivitysohjelma 2.0"),
                             text("UninstallString", "\"C:\\Program Files\\Päivitys\\poista.exe\" /S")}},
        {"{6F1A2B3C-0000-4000-8000-00C04F000001}", {text("DisplayName", "Служба обновления"),
                                                    text("QuietUninstallString", "MsiExec.exe /X{6F1A}")}},
        {"中文程序", {text("DisplayName", "中文程序"), text("UninstallString", ""),
                      text("QuietUninstallString", "ei käytetä")}},
        {"Piilo", {text("QuietDisplayName", "Hiljainen nimi"), text("UninstallString", "poista.exe")}},
        {"Tyhjä avain", {}},
        {"Ääkköset ÅÄÖ åäö", {text("DisplayName", "ÅÄÖ åäö"),
                               {"UninstallString", kRegExpandSz, StringData("%ProgramFiles%\\x\\u.exe")}}},
        {"Numerot", {{"DisplayName", kRegDword, {7, 0, 0, 0}}, {"UninstallString", kRegBinary, {0x0A, 0xFF, 0x03}}}},
    };
    return tree;
}

Tree MakeHostileTree()
{
    const auto text = [](const char* name, const std::string& value) {
        return TreeValue{name, kRegSz, StringData(value)};
    };
    std::string cjk;
    for (int i = 0; i < 255; ++i) cjk += "鍵";
    std::string longName(2047 - 2, 'N');
    longName += "ä";
    Tree tree;
    tree.keys = {
        {std::string(255, 'K'), {text("DisplayName", "Pisin ASCII-nimi"), text("UninstallString", "k.exe")}},
        {cjk, {text("DisplayName", "Pisin CJK-nimi")}},
        {"Nollat", {text("DisplayName", Literal("Näkyvä\0piilossa")),
                    text("UninstallString", Literal("nakyva.exe\0 /piilossa"))}},
        {"Rikki", {{"DisplayName", kRegNone, {'C', 'a', 'f', 0xE9, ' ', 0xFF, 0xFE, '!', 0}},
                   {"UninstallString", kRegQword, {'r', 'i', 'k', 'k', 'i', 0x80, 0xC3, 0x28}}}},
        {"Moni", {{"DisplayName", kRegMultiSz, StringData(Literal("Eka\0Toka\0"))},
                  {"QuietUninstallString", kRegMultiSz, StringData(Literal("m.exe\0/S\0"))}}},
        {"Pitkä", {text("DisplayName", longName), text("UninstallString", "\"C:\\p.exe\" " + std::string(2047 - 11, 'a'))}},
        {"Liian pitkä", {text("DisplayName", std::string(2048, 'L')), text("UninstallString", "l.exe")}},
        // An unpaired surrogate, which the narrow calls give as U+FFFD, beside a key named so.
        {"Kova\xED\xA0\x80", {text("DisplayName", "Kova D800"), text("UninstallString", "d800.exe")}},
        {"Kova\xEF\xBF\xBD", {text("DisplayName", "Kova FFFD"), text("UninstallString", "fffd.exe")}},
    };
    return tree;
}

void LoadTree(MemoryRegistry& registry, const Tree& tree, UninstallSource source)
{
    const RegKey root = RootOf(source);
    const RegView view = ViewOf(source);
    registry.CreateKey(root, kUninstallPath, view);
    for (const TreeKey& key : tree.keys) {
        const std::string path = kUninstallPath + key.name;
        registry.CreateKey(root, path, view);
        for (const TreeValue& value : key.values) registry.SetValue(root, path, value.name, value.type, value.data, view);
    }
}

void LoadForest(MemoryRegistry& registry, const Forest& forest)
{
    for (const UninstallSource source : kUninstallSources) LoadTree(registry, forest[static_cast<int>(source)], source);
}

}  // namespace karnio::test
