#include "ui/common/contrast.h"

#include <windows.h>

namespace karnio {

namespace {
std::optional<bool>& Override()
{
    static std::optional<bool> on;
    return on;
}
}  // namespace

bool HighContrastOn()
{
    if (Override()) return *Override();
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

void SetHighContrastForTests(std::optional<bool> on) { Override() = on; }

}  // namespace karnio
