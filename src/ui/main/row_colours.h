// The colours of a grey row that is selected: its text must stay grey, so that it
// never looks like an installed program, and stay readable on the selection.
// Portable: colours are COLORREF values, 0x00BBGGRR.
#pragma once

#include <cstdint>

namespace karnio {

using Colour = std::uint32_t;

// The contrast of two colours as WCAG 2 measures it, from 1 to 21.
double Contrast(Colour a, Colour b);

// a and b mixed, a taking percent parts of a hundred.
Colour Mix(Colour a, Colour b, int percent);

// The text colour nearest to grey, on the way from grey to darker, that reads at
// 4.5:1 or more on background; darker itself where nothing on the way does.
Colour ReadableGrey(Colour grey, Colour darker, Colour background);

struct RowColours {
    Colour text, background;
};

// A selected grey row: in the focused list on a light tint of the highlight, so that
// it shows as chosen there; elsewhere on the inactive selection colour (face).
RowColours SelectedGreyRow(bool focusedList, Colour grayText, Colour windowText, Colour window, Colour highlight, Colour face);

}  // namespace karnio
