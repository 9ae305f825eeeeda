// Windows' high-contrast mode: while it is on, every text takes the theme's
// system colours instead of the program's own.
#pragma once

#include <optional>

namespace karnio {

bool HighContrastOn();

// Tests set the answer (Wine cannot switch the mode on); nullopt asks Windows again.
void SetHighContrastForTests(std::optional<bool> on);

}  // namespace karnio
