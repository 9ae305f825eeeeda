// The user of the desktop that Karnio's windows show on, as Windows tells it to
// any program, elevated or not (catalogue/desktop_user.h says what is done with it).
#pragma once

#include "catalogue/desktop_user.h"

namespace karnio {

// Asks Windows: Karnio's own token, the user of its session (WTSQuerySessionInformationW),
// that account's SID, hive and variables.
PerUser FindDesktopUser();

}  // namespace karnio
