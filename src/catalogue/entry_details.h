// What the info tip tells about an entry beyond its key: publisher, version,
// install date, folder and size, and whether Windows' own list of installed
// programs leaves it out and why. The values are read afresh for each tip;
// everything here but the read is formatting that needs no window.
#pragma once

#include "catalogue/deleted_entry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace karnio {

// The entry key's values, opened and closed within this one read through the
// wide calls; nothing when the key cannot be read or its name cannot name it.
std::optional<std::vector<RegistryValue>> LueArvot(Registry& registry, UninstallSource source, const std::string& aliavain);

// A text value (REG_SZ or REG_EXPAND_SZ, its name in any case) as stored, up
// to its terminator; nothing for a missing value or one of another type.
std::optional<std::wstring> TextValue(const std::vector<RegistryValue>& values, const char16_t* name);

enum class Detail { Publisher, Version, Installed, Folder, Size };
enum class SizeUnit { None, Kilobytes, Megabytes, Gigabytes };

struct DetailLine {
    Detail kind;
    std::wstring text;                // the value as shown; a size without its unit
    SizeUnit unit = SizeUnit::None;   // for a size
};

// Why Windows' installed-programs list leaves the entry out; the first that holds.
enum class Hidden { None, SystemComponent, Update, NoName, NoCommand };

struct EntryDetails {
    std::vector<DetailLine> lines;  // in the order of Detail
    Hidden hidden = Hidden::None;
    std::wstring parent;            // the program an update belongs to
};

// A text as one line of the tip: line breaks, tabs and other control characters
// become blanks, direction marks and overrides (which would turn the text after
// them around) are dropped, and a text over 260 characters is cut with "…",
// never inside a surrogate pair, unless cut is false. No value can add a line of its own.
std::wstring TipLine(const std::wstring& text, bool cut = true);

// A line cut with "…" to the longest start that fits room with it, as width
// measures text (never inside a surrogate pair); the line itself where it fits.
std::wstring CutToWidth(const std::wstring& line, int room, const std::function<int(const std::wstring&)>& width);

struct CalendarDate {
    int year, month, day;
};
// The local calendar date of a moment given as seconds since 1 January 1970 UTC.
using LocalDateOf = std::function<CalendarDate(std::uint32_t seconds)>;

// The details of an entry with these values; inLowerList tells that the list
// builder found it no usable name or command. Lines are cut as TipLine cuts them.
EntryDetails KuvaaMerkinta(const std::vector<RegistryValue>& values, bool inLowerList, const LocalDateOf& localDate,
                           bool cut = true);

}  // namespace karnio
