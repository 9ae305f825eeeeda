#include "registry/unicode.h"

namespace karnio {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void Append(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ToUtf8(const std::u16string& utf16, bool keepSurrogates)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF && !keepSurrogates) {
            cp = kReplacement;
        }
        Append(out, cp);
    }
    return out;
}

}  // namespace

std::u16string Utf16(const std::string& utf8)
{
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0) {
            out += static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        int k = 1;
        for (; k <= extra && i + k < utf8.size() && IsContinuation(static_cast<unsigned char>(utf8[i + k])); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += k;
        // Cut short, overlong or past U+10FFFF: one replacement for what was taken.
        if (k <= extra || cp < kLeast[extra] || cp > 0x10FFFF) {
            out += static_cast<char16_t>(kReplacement);
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf8(const std::u16string& utf16) { return ToUtf8(utf16, false); }

std::string Utf8KeepingSurrogates(const std::u16string& utf16) { return ToUtf8(utf16, true); }

std::size_t LoneSurrogateAt(const std::string& utf8)
{
    // U+D800 to U+DFFF encode as ED A0..BF 80..BF; a high half right before a low one is a pair.
    const auto half = [&](std::size_t at, unsigned char first, unsigned char last) {
        if (at + 2 >= utf8.size() || static_cast<unsigned char>(utf8[at]) != 0xED) return false;
        const unsigned char second = static_cast<unsigned char>(utf8[at + 1]);
        return second >= first && second <= last && (static_cast<unsigned char>(utf8[at + 2]) & 0xC0) == 0x80;
    };
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        if (half(at, 0xA0, 0xAF) && half(at + 3, 0xB0, 0xBF))
            at += 5;
        else if (half(at, 0xA0, 0xBF))
            return at;
    }
    return std::string::npos;
}

}  // namespace karnio
