// Hostile registry data in the real window: every row still shows what its
// value holds, up to a zero character, with bytes that are no UTF-8 shown as
// the replacement character, and no row spoils another.
#include "ui/main/frmKarnio.h"

#include "registry/windows_registry.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

namespace karnio {
namespace {

using test::ListRow;

TEST(HostileData, IsShownWithoutGarblingTheLists)
{
    test::ClearUninstallKeys();
    test::WriteRealTree(test::MakeHostileTree());
    WindowsRegistry registry;
    FrmKarnio window(registry);
    ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
    test::Pump();

    const auto rows = test::Rows(window.LvwOhjelmat());
    const auto hidden = test::Rows(window.LvwOhjelmat2());
    const auto shown = [&](const std::wstring& command) {
        for (const ListRow& row : rows)
            if (row.command == command) return row.text;
        return std::wstring(L"<none>");
    };
    EXPECT_EQ(shown(L"nakyva.exe"), L"Näkyvä");
    EXPECT_EQ(shown(L"rikki\uFFFD\uFFFD("), L"Caf\uFFFD \uFFFD\uFFFD!");
    EXPECT_EQ(shown(L"m.exe"), L"Eka");
    const std::wstring longCommand = L"\"C:\\p.exe\" " + std::wstring(2047 - 11, L'a');
    EXPECT_EQ(shown(longCommand), std::wstring(2045, L'N') + L"ä");
    // The key named with U+FFFD is listed as itself, its twin with an unpaired surrogate reads nothing.
    EXPECT_EQ(shown(L"fffd.exe"), L"Kova FFFD");
    EXPECT_GE(test::FindRow(window.LvwOhjelmat2(), L"Kova\u2026"), 0);
    EXPECT_EQ(rows.size(), 5u);
    // Wine's narrow calls cannot read the values of the 255-character names: they are hidden under their own names.
    EXPECT_EQ(hidden.size(), 4u);
    EXPECT_GE(test::FindRow(window.LvwOhjelmat2(), std::wstring(255, L'K')), 0);
    EXPECT_GE(test::FindRow(window.LvwOhjelmat2(), L"Liian pitkä"), 0);
    for (const ListRow& row : hidden) EXPECT_EQ(row.text.find(L'\0'), std::wstring::npos);

    // The zero character ends what the row remembers to run, as it ends what it shows.
    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"Näkyvä"));
    EXPECT_EQ(window.StrKomento(), test::Literal("nakyva.exe\0 /piilossa"));

    // Registry Editor cannot be given a key whose name no call can spell whole.
    HMENU edit = GetSubMenu(GetMenu(window.Hwnd()), 1);
    for (const auto& [list, text, on] : {std::tuple{window.LvwOhjelmat(), L"Kova FFFD", true}, {window.LvwOhjelmat2(), L"Kova\u2026", false}}) {
        test::SelectRow(list, test::FindRow(list, text));
        SendMessageW(window.Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        EXPECT_EQ(!(GetMenuState(edit, IDM_REKISTERIEDITORI, MF_BYCOMMAND) & MF_GRAYED), on) << Narrow(text);
    }
    test::ClearUninstallKeys();
}

}  // namespace
}  // namespace karnio
