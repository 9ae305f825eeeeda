// Ctrl+Z in the real window: deleted entries come back, the latest first.
#include "ui/main/frmKarnio.h"

#include "support/entry_values.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

namespace karnio {
namespace {

using S = UninstallSource;
using test::Pump;

class Undo : public test::WindowTest {
protected:
    // The keys themselves, through the program's message loop.
    void PressCtrlZ()
    {
        INPUT keys[4] = {};
        for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
        keys[1].ki.wVk = keys[2].ki.wVk = 'Z';
        keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, keys, sizeof(INPUT));
        for (int i = 0; i < 10; ++i) {
            Pump([&](MSG& message) { return window_->PreTranslateMessage(message); });
            Sleep(10);
        }
    }
    // "&Poista" chosen from the pop-up menu of the row that shows text.
    void DeleteFromPopUp(HWND list, const std::wstring& text)
    {
        const int item = test::FindRow(list, text);
        ASSERT_GE(item, 0) << Narrow(text);
        test::ClickRow(list, item);
        auto chooser = test::CloseMenuWhenShown({VK_DOWN, VK_RETURN});
        SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
        ASSERT_TRUE(chooser.get());
        Pump();
    }
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
    EXPECT_EQ(window.StrAvain(), "Kolmas");  // the remembered row stays as it was

    // With nothing left to restore, Ctrl+Z does nothing at all.
    cursor.changes.clear();
    auto box = test::WatchForDialog(L"Virhe", 1500);
    PressCtrlZ();
    EXPECT_FALSE(box.get().found);
    EXPECT_TRUE(cursor.changes.empty());
    EXPECT_EQ(AllRows(), before);
}

TEST_F(Undo, AReinstalledEntryWinsAndARefusedDeleteLeavesNothingToUndo)
{
    test::AddEntry(S::Machine, L"Ohjelma", L"Ohjelma 1", L"C:\\Ohjelma\\poista.exe");
    test::AddEntry(S::Machine, L"Isä", L"Isä", L"C:\\Isä\\poista.exe");
    test::AddEntry(S::Machine, L"Isä\\Lapsi", L"Lapsi", nullptr);
    FrmKarnio& window = Open();

    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"Ohjelma 1"));
    Command(IDM_POISTA);
    ASSERT_EQ(window.Poistetut().size(), 1u);
    test::AddEntry(S::Machine, L"Ohjelma", L"Ohjelma 2", L"C:\\Ohjelma 2\\poista.exe");
    const auto reinstalled = test::EntryValues(S::Machine, "Ohjelma");
    auto box = test::WatchForDialog(L"Virhe");
    Command(IDM_KUMOA);
    const test::SeenDialog seen = box.get();
    EXPECT_EQ(seen.text, L"Merkintää ei voi palauttaa, koska samanniminen merkintä on jo olemassa.");
    EXPECT_TRUE(seen.exclamationIcon);
    EXPECT_EQ(test::Describe(test::EntryValues(S::Machine, "Ohjelma")), test::Describe(reinstalled));
    EXPECT_TRUE(window.Poistetut().empty());
    EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Ohjelma 1"), -1);
    EXPECT_GE(test::FindRow(window.LvwOhjelmat(), L"Ohjelma 2"), 0);

    // Windows refuses to delete a key that has subkeys: nothing to undo.
    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"Isä"));
    Command(IDM_POISTA);
    EXPECT_TRUE(test::EntryExists(S::Machine, L"Isä"));
    EXPECT_TRUE(window.Poistetut().empty());
}

}  // namespace
}  // namespace karnio
