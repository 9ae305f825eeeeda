#include "registry/registry_names.h"

#include <cstdint>
#include <utility>

namespace karnio {

namespace {

// Reads UTF-8 as UTF-16 code units, one at a time and without allocating; a
// malformed byte stands for itself, as the comparison only needs a stable order.
class Utf16Units {
public:
    explicit Utf16Units(const std::string& text) : text_(text) {}

    // The next code unit, or -1 at the end.
    long Next()
    {
        if (low_) return std::exchange(low_, 0);
        if (at_ >= text_.size()) return -1;
        const unsigned char lead = static_cast<unsigned char>(text_[at_]);
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra && at_ + extra >= text_.size()) extra = 0;
        std::uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text_[at_ + k]) & 0x3F);
        at_ += 1 + extra;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            low_ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            return 0xD800 + (cp >> 10);
        }
        return static_cast<char16_t>(cp);
    }

private:
    const std::string& text_;
    std::size_t at_ = 0;
    char16_t low_ = 0;
};

}  // namespace

char16_t FoldCase(char16_t c)
{
    if (c >= u'A' && c <= u'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c == 0x178) return 0xFF;
    const bool evenUpper = (c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177) ||
                           (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
                           (c >= 0x4D0 && c <= 0x52F);
    if (evenUpper) return (c % 2 == 0) ? c + 1 : c;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) ||
                          (c >= 0x4C1 && c <= 0x4CE);
    if (oddUpper) return (c % 2 == 1) ? c + 1 : c;
    return c;
}

int CompareRegistryNames(const std::string& a, const std::string& b)
{
    Utf16Units wa(a), wb(b);
    for (;;) {
        const long ua = wa.Next(), ub = wb.Next();
        if (ua < 0 || ub < 0) return ua == ub ? 0 : (ua < 0 ? -1 : 1);
        const char16_t ca = FoldCase(static_cast<char16_t>(ua)), cb = FoldCase(static_cast<char16_t>(ub));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
}

}  // namespace karnio
