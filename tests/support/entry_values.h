// An Uninstall entry holding every kind of value Windows stores, for proving
// that a deleted entry comes back byte for byte.
#pragma once

#include "catalogue/deleted_entry.h"
#include "catalogue/undo.h"

#include <functional>
#include <string>
#include <vector>

namespace karnio::test {

// The default value, strings with and without terminators, odd byte counts and
// unpaired UTF-16 halves, an expandable and a multi-string, 100,000 bytes of
// binary data, numbers, REG_NONE with and without data; names in several scripts.
// tag goes into one value, so that entries of the same name can be told apart.
std::vector<RegistryValue> EveryKindOfValue(int tag = 0);

// Creates root\Uninstall\subkey of the source with these values, through the wide calls.
void WriteEntry(Registry& registry, UninstallSource source, const std::string& subkey,
                const std::vector<RegistryValue>& values);

// Each value as "name type hex-bytes", sorted, for comparing in test output.
std::vector<std::string> Describe(const std::vector<RegistryValue>& values);
// The same of a key and every key below it, each line after its key's path ("" for the key itself),
// with its class and security as "[class] ..." and "[security] ...".
std::vector<std::string> Describe(const KeyContents& key);

// The whole registry, both roots, every key as itself: a line for each key (its
// path, whether it is a link, its class), one for its security and one for each
// value, in enumeration order. Read through the calls alone, none of Karnio's own.
std::vector<std::string> Snapshot(Registry& registry);

// Makes a registry link named name below the entry of the source (the Uninstall key itself for ""), pointing at
// target (\Registry\Machine\... or \Registry\User\<SID>\...).
void WriteLink(Registry& registry, UninstallSource source, const std::string& subkey, const std::u16string& name,
               const std::u16string& target);

// An entry of the same name and different values in each source is deleted
// (PoistaMerkinta) and brought back (PalautaMerkinta), one source after the
// other: each time only that source's key goes and comes back, its values read
// back (readBack, which lists a source's entry values, none for a missing key)
// with the same types and bytes, and the lists read the same as before.
using ReadBack = std::function<std::vector<RegistryValue>(UninstallSource, const std::string&)>;
void ExpectEveryValueRoundTrips(Registry& registry, const ReadBack& readBack);

}  // namespace karnio::test
