// Ctrl+Z in the real window: deleted entries come back, the latest first.
#include "ui/main/frmKarnio.h"

#include "registry/memory_registry.h"
#include "support/entry_values.h"
#include "support/recording_registry.h"
#include "support/scripted_registry.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <sddl.h>
#include <winternl.h>

namespace karnio {
namespace {

using S = UninstallSource;
using test::Pump;

class Undo : public test::WindowTest {
protected:
    void PressCtrlZ() { test::PressKeys(*window_, {VK_CONTROL, 'Z'}); }
    void PressDel() { test::PressKeys(*window_, {VK_DELETE}); }
    void DeleteFromPopUp(HWND list, const std::wstring& text) { test::DeleteFromPopUp(list, text); }
    std::vector<test::ListRow> AllRows()
    {
        auto rows = test::Rows(window_->LvwOhjelmat());
        for (const auto& row : test::Rows(window_->LvwOhjelmat2())) rows.push_back(row);
        return rows;
    }
};

TEST_F(Undo, EachCtrlZBringsBackTheLatestDeletionWhole)
{
    WindowsRegistry registry;
    test::AddEntry(S::Machine, L"Eka", L"Ensimmäinen", L"C:\\Eka\\poista.exe");
    test::WriteEntry(registry, S::Machine32, "Toka ÄÖ", test::EveryKindOfValue(2));
    test::AddEntry(S::User, L"Kolmas", nullptr, nullptr);
    FrmKarnio& window = Open();
    const auto before = AllRows();
    const auto kolmas = test::EntryValues(S::User, "Kolmas");

    DeleteFromPopUp(window.LvwOhjelmat(), L"Ensimmäinen");
    DeleteFromPopUp(window.LvwOhjelmat(), L"Palautettava ohjelma");
    DeleteFromPopUp(window.LvwOhjelmat2(), L"Kolmas");
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Eka"));
    EXPECT_FALSE(test::EntryExists(S::Machine32, L"Toka ÄÖ"));
    EXPECT_FALSE(test::EntryExists(S::User, L"Kolmas"));
    EXPECT_TRUE(AllRows().empty());
    ASSERT_EQ(window.Poistetut().size(), 3u);

    test::CursorLog cursor;
    PressCtrlZ();
    EXPECT_EQ(test::Describe(test::EntryValues(S::User, "Kolmas")), test::Describe(kolmas));
    EXPECT_FALSE(test::EntryExists(S::Machine32, L"Toka ÄÖ"));
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default}));
    PressCtrlZ();
    EXPECT_EQ(test::Describe(test::EntryValues(S::Machine32, "Toka ÄÖ")), test::Describe(test::EveryKindOfValue(2)));
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Toka ÄÖ"));
    PressCtrlZ();
    EXPECT_TRUE(test::EntryExists(S::Machine, L"Eka"));
    EXPECT_EQ(AllRows(), before);
    EXPECT_TRUE(window.Poistetut().empty());
    EXPECT_EQ(window.StrAvain(), "Eka");  // what came back last is chosen

    // With nothing left to restore, Ctrl+Z does nothing at all.
    cursor.changes.clear();
    auto box = test::WatchForDialog(L"Virhe", 1500);
    PressCtrlZ();
    EXPECT_FALSE(box.get().found);
    EXPECT_TRUE(cursor.changes.empty());
    EXPECT_EQ(AllRows(), before);
}

TEST_F(Undo, AReinstalledEntryWins)
{
    test::AddEntry(S::Machine, L"Ohjelma", L"Ohjelma 1", L"C:\\Ohjelma\\poista.exe");
    FrmKarnio& window = Open();

    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"Ohjelma 1"));
    Command(IDM_POISTA);
    ASSERT_EQ(window.Poistetut().size(), 1u);
    test::AddEntry(S::Machine, L"Ohjelma", L"Ohjelma 2", L"C:\\Ohjelma 2\\poista.exe");
    const auto reinstalled = test::EntryValues(S::Machine, "Ohjelma");
    auto box = test::WatchForDialog(L"Virhe");
    Command(IDM_KUMOA);
    const test::SeenDialog seen = box.get();
    EXPECT_EQ(seen.text, L"Merkintää Ohjelma 1 ei palautettu, koska samanniminen merkintä on jo olemassa. "
                         L"Poistetun merkinnän kopio hylättiin.");
    EXPECT_TRUE(seen.exclamationIcon);
    EXPECT_EQ(seen.cursor, AppCursor::Default);
    EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, "Ohjelma")), test::Describe(reinstalled));
    EXPECT_TRUE(window.Poistetut().empty());
    EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Ohjelma 1"), -1);
    EXPECT_GE(test::FindRow(window.LvwOhjelmat(), L"Ohjelma 2"), 0);
}

TEST_F(Undo, AnEntryWithSubkeysGoesAndComesBackWhole)
{
    test::AddEntry(S::Machine, L"Isä", L"Isä", L"C:\\Isä\\poista.exe");
    test::AddEntry(S::Machine, L"Isä\\Lapsi", L"Lapsi", nullptr);
    test::AddEntry(S::Machine, L"Isä\\Lapsi\\Lapsenlapsi", nullptr, L"C:\\x.exe", L"Lapsenlapsi");
    test::AddEntry(S::Machine, L"Isä\\Toinen", nullptr, nullptr);
    const std::vector<std::string> keys = {"Isä", "Isä\\Lapsi", "Isä\\Lapsi\\Lapsenlapsi", "Isä\\Toinen"};
    std::vector<std::vector<std::string>> before;
    for (const std::string& key : keys) before.push_back(test::Describe(test::EntryValues(S::Machine, key)));
    test::AddEntry(S::Machine32, L"Isä", L"Isä 32", nullptr);
    FrmKarnio& window = Open();

    DeleteFromPopUp(window.LvwOhjelmat(), L"Isä");
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Isä"));
    EXPECT_TRUE(test::EntryExists(S::Machine32, L"Isä"));  // only in the root and view it was listed from
    ASSERT_EQ(window.Poistetut().size(), 1u);
    PressCtrlZ();
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, keys[i])), before[i]) << keys[i];
    for (const std::string& key : keys) EXPECT_TRUE(test::EntryExists(S::Machine, test::WideText(key))) << key;
    EXPECT_TRUE(window.Poistetut().empty());
}

// Keys and values made through the native API, whose counted names may hold a zero character.
class NativeNames {
public:
    NativeNames()
    {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        create_ = reinterpret_cast<CreateKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateKey")));
        setValue_ = reinterpret_cast<SetValueKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetValueKey")));
        delete_ = reinterpret_cast<DeleteKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")));
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, test::UninstallPathW().c_str(), 0, KEY_ALL_ACCESS, &uninstall_);
    }
    ~NativeNames()
    {
        // Win32 calls cannot name these keys, so they go the way they came.
        for (HANDLE key : made_) {
            delete_(key);
            CloseHandle(key);
        }
        RegCloseKey(uninstall_);
    }
    HANDLE Key(const std::wstring& name)
    {
        UNICODE_STRING text = Counted(name);
        OBJECT_ATTRIBUTES attributes = {};
        attributes.Length = sizeof attributes;
        attributes.RootDirectory = uninstall_;
        attributes.ObjectName = &text;
        attributes.Attributes = OBJ_CASE_INSENSITIVE;
        HANDLE key = nullptr;
        EXPECT_EQ(create_(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr), 0);
        made_.push_back(key);
        return key;
    }
    void Text(HANDLE key, const std::wstring& name, const std::wstring& value)
    {
        UNICODE_STRING text = Counted(name);
        EXPECT_EQ(setValue_(key, &text, 0, REG_SZ, const_cast<wchar_t*>(value.c_str()),
                            static_cast<ULONG>((value.size() + 1) * sizeof(wchar_t))),
                  0);
    }

private:
    using CreateKey = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, ULONG, UNICODE_STRING*, ULONG, ULONG*);
    using SetValueKey = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    using DeleteKey = LONG(NTAPI*)(HANDLE);
    static UNICODE_STRING Counted(const std::wstring& name)
    {
        const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        return {bytes, bytes, const_cast<wchar_t*>(name.data())};
    }
    CreateKey create_ = nullptr;
    SetValueKey setValue_ = nullptr;
    DeleteKey delete_ = nullptr;
    HKEY uninstall_ = nullptr;
    std::vector<HANDLE> made_;
};

TEST_F(Undo, ZeroCharactersInNamesNeverReachAnotherKeyOrMergeValues)
{
    test::AddEntry(S::Machine, L"Foo", L"Foo-ohjelma", L"C:\\Foo\\poista.exe");
    {
        NativeNames native;
        HANDLE twin = native.Key(std::wstring(L"Foo\0x", 5));
        native.Text(twin, L"DisplayName", L"Piilotettu kaksonen");
        native.Text(twin, L"UninstallString", L"C:\\Kaksonen\\poista.exe");
        HANDLE zeros = native.Key(L"Nollat");
        native.Text(zeros, L"DisplayName", L"Nollat");
        native.Text(zeros, std::wstring(L"A\0b", 3), L"yksi");
        native.Text(zeros, std::wstring(L"A\0c", 3), L"kaksi");
        FrmKarnio& window = Open();

        // The twin is listed by the part of its name before the zero, and none of Foo's values.
        const int row = test::FindRow(window.LvwOhjelmat2(), L"Foo\u2026");
        ASSERT_GE(row, 0);
        EXPECT_EQ(test::Rows(window.LvwOhjelmat2())[row].command, L"");
        EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Piilotettu kaksonen"), -1);
        EXPECT_EQ(test::Rows(window.LvwOhjelmat()).size(), 1u);

        test::SelectRow(window.LvwOhjelmat2(), row);
        auto box = test::WatchForDialog(L"Virhe");
        Command(IDM_POISTA);
        const test::SeenDialog seen = box.get();
        EXPECT_EQ(seen.text, L"Merkintää ei voi poistaa, koska sen nimessä on nollamerkki.");
        EXPECT_TRUE(seen.exclamationIcon);
        EXPECT_TRUE(test::EntryExists(S::Machine, L"Foo"));
        EXPECT_GE(test::FindRow(window.LvwOhjelmat2(), L"Foo\u2026"), 0);

        // Foo itself is deleted and restored like any other.
        DeleteFromPopUp(window.LvwOhjelmat(), L"Foo-ohjelma");
        EXPECT_FALSE(test::EntryExists(S::Machine, L"Foo"));
        EXPECT_GE(test::FindRow(window.LvwOhjelmat2(), L"Foo\u2026"), 0);
        PressCtrlZ();
        EXPECT_TRUE(test::EntryExists(S::Machine, L"Foo"));

        // Values whose names differ after a zero could only come back as one: the user is asked, and No keeps them.
        const auto values = [] {
            HKEY key = nullptr;
            DWORD count = 0;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + L"Nollat").c_str(), 0, KEY_READ, &key)) return -1;
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
            return static_cast<int>(count);
        };
        ASSERT_EQ(values(), 3);
        for (const int answer : {IDNO, IDYES}) {
            auto question = test::WatchForDialog(L"Karnio", 15000, answer);
            DeleteFromPopUp(window.LvwOhjelmat2(), L"Nollat");
            const test::SeenDialog asked = question.get();
            EXPECT_EQ(asked.text, L"Merkinnästä Nollat ei voi ottaa täydellistä kopiota, joten Ctrl+Z ei voi palauttaa sitä. "
                                  L"Poistetaanko se silti?");
            EXPECT_EQ(asked.defaultButton, IDNO);
            EXPECT_EQ(values(), answer == IDNO ? 3 : -1);
        }
        EXPECT_TRUE(window.Poistetut().empty());
        PressCtrlZ();
        EXPECT_FALSE(test::EntryExists(S::Machine, L"Nollat"));
        window_.reset();
    }
}

// Several rows go with one Del and come back with one Ctrl+Z, chosen; a row that
// cannot go is named, and the rest go.
TEST_F(Undo, SeveralRowsGoInOneDeleteAndComeBackInOneUndo)
{
    const auto name = [](int i) { return L"Monta " + std::to_wstring(i); };
    for (int i = 0; i < 6; ++i) test::AddEntry(S::Machine, name(i), name(i).c_str(), i % 2 ? L"notepad.exe /x" : L"C:\\Poissa\\x.exe");
    for (const wchar_t* piilo : {L"Piilo 1", L"Piilo 2"}) test::AddEntry(S::Machine, piilo, nullptr, nullptr);
    std::vector<std::vector<std::string>> before;
    for (int i = 0; i < 6; ++i) before.push_back(test::Describe(test::EntryValues(S::Machine, Narrow(name(i)))));
    NativeNames native;
    native.Key(std::wstring(L"Piilo 1\0x", 9));
    FrmKarnio& window = Open();
    HWND list = window.LvwOhjelmat();
    const auto chosen = [](HWND in) {
        std::vector<std::wstring> rows;
        for (int item = -1; (item = ListView_GetNextItem(in, item, LVNI_SELECTED)) >= 0;) rows.push_back(test::ItemText(in, item, 0));
        return rows;
    };

    // "Valitse jäänteet" chooses exactly the grey rows; a program is run for one row alone.
    Command(IDM_VALITSE_JAANTEET);
    EXPECT_EQ(chosen(list), (std::vector<std::wstring>{name(0), name(2), name(4)}));
    auto reader = test::ReadMenuWhenShown();
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    Pump();
    EXPECT_EQ(reader.get(), test::RowPopUp("x-x--"));

    // Three rows chosen with a click and a Ctrl+click each, then one Del.
    test::ClickRow(list, 1);
    for (const int item : {3, 5}) {
        RECT row;
        ListView_GetItemRect(list, item, &row, LVIR_LABEL);
        const LPARAM at = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
        PostMessageW(list, WM_LBUTTONUP, MK_CONTROL, at);
        Pump();
    }
    ASSERT_EQ(chosen(list), (std::vector<std::wstring>{name(1), name(3), name(5)}));
    auto question = test::WatchForDialog(L"Karnio", 15000, IDYES);
    PressDel();
    EXPECT_EQ(question.get().text, L"Poistetaanko 3 merkintää? Ctrl+Z palauttaa ne niin kauan kuin Karnio on auki.");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(test::EntryExists(S::Machine, name(i)), i % 2 == 0) << i;
    ASSERT_EQ(window.Poistetut().size(), 1u);
    PressCtrlZ();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, Narrow(name(i)))), before[i]) << i;
    EXPECT_EQ(chosen(list), (std::vector<std::wstring>{name(1), name(3), name(5)}));

    // One of three cannot go: it is named, the other two go.
    HWND lower = window.LvwOhjelmat2();
    SetFocus(lower);
    for (int item = 0; item < 3; ++item) ListView_SetItemState(lower, item, LVIS_SELECTED, LVIS_SELECTED);
    auto yes = test::WatchForDialog(L"Karnio", 15000, IDYES);
    auto box = test::WatchForDialog(L"Virhe");
    PressDel();
    EXPECT_EQ(yes.get().defaultButton, IDYES);
    EXPECT_EQ(box.get().text, L"Kaikkia merkintöjä ei voitu poistaa:\r\nPiilo 1\u2026: nimessä on nollamerkki");
    EXPECT_EQ(test::Rows(lower).size(), 1u);
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Piilo 1"));
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Piilo 2"));
    window_.reset();
}

TEST_F(Undo, ARefusedDeleteIsToldAndLeavesNothingToUndo)
{
    MemoryRegistry memory;
    memory.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Lukittu", "DisplayName", "Lukittu");
    memory.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Lukittu", "UninstallString", "C:\\x.exe");
    const int deleteAt = [&] {
        MemoryRegistry twin;
        twin.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Lukittu", "DisplayName", "Lukittu");
        twin.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Lukittu", "UninstallString", "C:\\x.exe");
        test::RecordingRegistry dry(twin);
        ChosenRow row;
        row.entry = {S::Machine, "Lukittu"};
        row.row = LueRivi(twin, S::Machine, "Lukittu").value_or(ListedRow{});
        PoistaMerkinnat(dry, {row});
        return static_cast<int>(std::find(dry.calls.begin(), dry.calls.end(), "deleteopen") - dry.calls.begin());
    }();
    test::ScriptedRegistry scripted(memory);
    FrmKarnio window(scripted);
    ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
    Pump();
    test::SelectRow(window.LvwOhjelmat(), 0);

    scripted.calls = 0;
    scripted.failAt = deleteAt;
    scripted.failWith = kErrorAccessDenied;
    test::CursorLog cursor;
    auto box = test::WatchForDialog(L"Virhe");
    SendMessageW(window.Hwnd(), WM_COMMAND, IDM_POISTA, 0);
    Pump();
    const test::SeenDialog seen = box.get();
    EXPECT_EQ(seen.text, L"Virhe 5: merkintää ei voitu poistaa.");
    EXPECT_TRUE(seen.exclamationIcon);
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default}));
    EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Lukittu"), 0);
    EXPECT_TRUE(window.Poistetut().empty());

    // A key that no longer holds what its row shows stays, and the user is told to refresh.
    scripted.failAt = -1;
    memory.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Lukittu", "DisplayName", "Toinen Ohjelma");
    auto changed = test::WatchForDialog(L"Virhe");
    SendMessageW(window.Hwnd(), WM_COMMAND, IDM_POISTA, 0);
    EXPECT_EQ(changed.get().text, L"Merkintä Lukittu on muuttunut luettelon lukemisen jälkeen. Päivitä ohjelmaluettelot (F5) ja yritä uudelleen.");
    EXPECT_TRUE(LueMerkinta(memory, S::Machine, "Lukittu"));

    // A key already gone says nothing: its row goes.
    memory.DeleteKey(kHkeyLocalMachine, (std::string(kUninstallPath) + "Lukittu").c_str());
    scripted.failAt = -1;
    test::SelectRow(window.LvwOhjelmat(), 0);
    ASSERT_EQ(window.StrAvain(), "Lukittu");
    auto none = test::WatchForDialog(L"Virhe", 1500);
    SendMessageW(window.Hwnd(), WM_COMMAND, IDM_POISTA, 0);
    Pump();
    EXPECT_FALSE(none.get().found);
    EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Lukittu"), -1);
}

// A registry link goes as itself and comes back pointing where it did; what it
// points at is never read into a copy nor deleted. Of two keys that the narrow
// calls both name with U+FFFD, each row acts on its own key or on none.
TEST_F(Undo, LinksAndUnpairedSurrogatesReachNoOtherKey)
{
    WindowsRegistry registry;
    const std::wstring target = L"Software\\KarnioKohde";
    test::AddEntry(S::Machine, L"Isä", L"Isä", L"C:\\Isä\\poista.exe");
    HKEY key = nullptr;
    for (const wchar_t* path : {L"", L"\\Alla"}) {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (target + path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Kohde"), 12);
        RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"k.exe"), 12);
        RegCloseKey(key);
    }
    const std::u16string to = u"\\Registry\\Machine\\Software\\KarnioKohde";
    test::WriteLink(registry, S::Machine, "", u"Linkki", to);
    test::WriteLink(registry, S::Machine, "Isä", u"Linkki", to);
    const std::wstring kova = test::UninstallPathW() + L"Kova";
    for (const wchar_t last : {L'\xD800', L'\xFFFD'}) {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kova + last).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Kova"), 10);
        RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"k.exe"), 12);
        RegCloseKey(key);
    }
    const auto contents = [&] {
        std::vector<std::string> lines = test::Describe(test::KeyValues(HKEY_LOCAL_MACHINE, target));
        for (const std::string& line : test::Describe(test::KeyValues(HKEY_LOCAL_MACHINE, target + L"\\Alla")))
            lines.push_back("Alla " + line);
        return lines;
    };
    const std::vector<std::string> before = contents();
    ASSERT_EQ(before.size(), 4u);
    const auto linkOf = [&](const std::wstring& path) {
        wchar_t pointsAt[256] = {};
        DWORD size = sizeof pointsAt;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + path).c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key)) return std::wstring();
        RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, nullptr, reinterpret_cast<BYTE*>(pointsAt), &size);
        RegCloseKey(key);
        return std::wstring(pointsAt, size / sizeof(wchar_t));
    };
    // The link keeps permissions of its own; setting them back must not reach what it points at.
    const auto security = [&](const std::wstring& path, DWORD options) {
        std::vector<BYTE> descriptor(4096);
        DWORD size = static_cast<DWORD>(descriptor.size());
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), options, KEY_READ | WRITE_DAC, &key)) return std::vector<BYTE>();
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
        RegCloseKey(key);
        descriptor.resize(size);
        return descriptor;
    };
    const std::wstring linkPath = test::UninstallPathW() + L"Isä\\Linkki";
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, linkPath.c_str(), REG_OPTION_OPEN_LINK, WRITE_DAC, &key), 0);
    PSECURITY_DESCRIPTOR own = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KA;;;BA)(A;;KR;;;WD)", SDDL_REVISION_1, &own, nullptr);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, own), 0);
    LocalFree(own);
    RegCloseKey(key);
    const auto linkBefore = security(linkPath, REG_OPTION_OPEN_LINK), targetBefore = security(target, 0);
    ASSERT_NE(linkBefore, targetBefore);
    FrmKarnio& window = Open();

    // The link entry is listed by what it points at.
    DeleteFromPopUp(window.LvwOhjelmat(), L"Kohde");
    DeleteFromPopUp(window.LvwOhjelmat(), L"Isä");
    EXPECT_EQ(linkOf(L"Linkki"), L"");
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Isä"));
    EXPECT_EQ(contents(), before);
    PressCtrlZ();
    PressCtrlZ();
    EXPECT_EQ(linkOf(L"Linkki"), std::wstring(to.begin(), to.end()));
    EXPECT_EQ(linkOf(L"Isä\\Linkki"), std::wstring(to.begin(), to.end()));
    EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, "Isä\\Linkki")), test::Describe(test::KeyValues(HKEY_LOCAL_MACHINE, target)));
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(security(linkPath, REG_OPTION_OPEN_LINK), linkBefore);
    EXPECT_EQ(security(target, 0), targetBefore);

    // The row of the key named with U+FFFD deletes that key; its twin's row is refused.
    DeleteFromPopUp(window.LvwOhjelmat(), L"Kova");
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Kova\xFFFD"));
    EXPECT_TRUE(test::EntryExists(S::Machine, L"Kova\xD800"));
    test::SelectRow(window.LvwOhjelmat2(), test::FindRow(window.LvwOhjelmat2(), L"Kova\u2026"));
    auto box = test::WatchForDialog(L"Virhe");
    Command(IDM_POISTA);
    EXPECT_EQ(box.get().text, L"Merkintää ei voi poistaa, koska sen nimi ei ole kelvollista Unicode-tekstiä.");
    EXPECT_TRUE(test::EntryExists(S::Machine, L"Kova\xD800"));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, target.c_str());
}

// A plain key that holds a REG_LINK value named SymbolicLinkValue is no link: it
// goes and comes back a plain key, its subkeys and that value with it.
TEST_F(Undo, AValueNamedLikeALinkMakesNoLink)
{
    test::AddEntry(S::Machine, L"Valelinkki", L"Valelinkki", L"C:\\Vale\\poista.exe");
    const std::vector<std::string> keys = {"Valelinkki", "Valelinkki\\Osa1", "Valelinkki\\Osa2"};
    for (std::size_t i = 1; i < keys.size(); ++i) test::AddEntry(S::Machine, test::WideText(keys[i]), nullptr, nullptr, L"Osa");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + L"Valelinkki").c_str(), 0, KEY_ALL_ACCESS, &key), 0);
    const std::wstring target = L"\\Registry\\Machine\\Software\\KarnioKohde";
    RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    std::vector<std::vector<std::string>> before;
    for (const std::string& path : keys) before.push_back(test::Describe(test::EntryValues(S::Machine, path)));
    ASSERT_EQ(before[0].size(), 3u);
    FrmKarnio& window = Open();

    DeleteFromPopUp(window.LvwOhjelmat(), L"Valelinkki");
    EXPECT_FALSE(test::EntryExists(S::Machine, L"Valelinkki"));
    auto none = test::WatchForDialog(L"Virhe", 1500);
    PressCtrlZ();
    EXPECT_FALSE(none.get().found);
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, keys[i])), before[i]) << keys[i];
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()), (std::vector<test::ListRow>{{L"Valelinkki", L"C:\\Vale\\poista.exe"}}));
    EXPECT_EQ(test::Rows(window.LvwOhjelmat2()).size(), 0u);
}

}  // namespace
}  // namespace karnio
