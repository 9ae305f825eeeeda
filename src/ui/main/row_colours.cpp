#include "ui/main/row_colours.h"

#include <cmath>

namespace karnio {

namespace {

double Linear(unsigned channel)
{
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(Colour colour)
{
    return 0.2126 * Linear(colour & 0xFF) + 0.7152 * Linear((colour >> 8) & 0xFF) + 0.0722 * Linear((colour >> 16) & 0xFF);
}

constexpr double kReadable = 4.5;
constexpr int kHighlightTint = 25;  // percent of the highlight in a selected grey row's background

}  // namespace

double Contrast(Colour a, Colour b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

Colour Mix(Colour a, Colour b, int percent)
{
    Colour mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        mixed |= static_cast<Colour>((ca * percent + cb * (100 - percent) + 50) / 100) << shift;
    }
    return mixed;
}

Colour ReadableGrey(Colour grey, Colour darker, Colour background)
{
    for (int toDarker = 0; toDarker <= 100; toDarker += 5) {
        const Colour text = Mix(darker, grey, toDarker);
        if (Contrast(text, background) >= kReadable) return text;
    }
    return darker;
}

RowColours SelectedGreyRow(bool focusedList, Colour grayText, Colour windowText, Colour window, Colour highlight, Colour face)
{
    const Colour background = focusedList ? Mix(highlight, window, kHighlightTint) : face;
    return {ReadableGrey(grayText, windowText, background), background};
}

}  // namespace karnio
