#include "ui/main/list_view.h"

#include "ui/common/contrast.h"
#include "ui/common/text.h"
#include "ui/main/row_colours.h"
#include "ui/resources/resource.h"

namespace karnio {

HWND CreateListView(HWND parent, const TwipsRect& place, int id, int dpi, unsigned nameHeader)
{
    HWND list = CreateChild(parent, WC_LISTVIEWW, L"", WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                            WS_EX_CLIENTEDGE, place, id, dpi);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const unsigned headers[] = {nameHeader, IDS_SARAKE_KOMENTO};
    for (int column = 0; column < 2; ++column) {
        std::wstring text = LoadText(headers[column]);
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.cx = TwipsToPixels(1440, dpi);
        info.pszText = text.data();
        info.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }
    return list;
}

bool OverItems(HWND list, POINT screen)
{
    RECT client = {}, header = {};
    ScreenToClient(list, &screen);
    GetClientRect(list, &client);
    if (GetWindowRect(ListView_GetHeader(list), &header)) MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&header), 2);
    return PtInRect(&client, screen) && screen.y >= header.bottom;
}

// A row whose uninstaller is gone is drawn in grey text, in both columns, also
// when it is selected: then on a selection colour of its own, which the list
// would otherwise paint over with its own, black or white, text. High contrast
// keeps the theme's own selection colours.
LRESULT DrawRow(HWND list, const ListViewSink& sink, NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const ListViewSink::Row* row = sink.RowOfParam(draw.nmcd.lItemlParam);
        if (!row || row->leftover.kind == Leftover::None) return CDRF_DODEFAULT;
        const bool selected = ListView_GetItemState(list, static_cast<int>(draw.nmcd.dwItemSpec), LVIS_SELECTED);
        if (selected && HighContrastOn()) return CDRF_DODEFAULT;
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        if (selected) {
            const RowColours colours = SelectedGreyRow(GetFocus() == list, GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT),
                                                       GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNFACE));
            draw.nmcd.uItemState &= ~CDIS_SELECTED;
            draw.clrText = colours.text;
            draw.clrTextBk = colours.background;
        }
        // Each column of the row is asked for again, so that no control draws the second in black.
        return draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT ? CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW : CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}

}  // namespace karnio
