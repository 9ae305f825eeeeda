// libFuzzer target: the reader and the list builder over three Uninstall keys
// decoded from the input, now and then with one registry call failing, checked
// against the read-by-read model. Any difference, or a key not closed, aborts.
#include "catalogue/uninstall_list.h"
#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "support/model.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace karnio;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Bytes(std::size_t count)
    {
        count = std::min(count, size_ - std::min(at_, size_));
        std::string text(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

const char* const kValueNames[] = {"DisplayName", "QuietDisplayName", "UninstallString", "QuietUninstallString", "Publisher"};
const std::uint32_t kTypes[] = {kRegSz, kRegExpandSz, kRegMultiSz, kRegDword, kRegBinary, kRegNone, kRegQword, 5};
const RegStatus kErrors[] = {kErrorFileNotFound, kErrorAccessDenied, kErrorMoreData, kErrorInvalidHandle, kErrorNoMoreItems};

std::string KeyName(Input& input)
{
    const std::uint8_t length = input.Byte();
    if (length == 0xFF) return kNotFound;
    std::string name = input.Bytes(length % 48);
    // The registry has no empty names and no separators inside one.
    for (char& c : name)
        if (c == '\\' || c == '\0') c = '_';
    return name.empty() ? "e" : name;
}

test::Forest Decode(Input& input)
{
    test::Forest forest;
    for (test::Tree& tree : forest) {
        const int keys = input.Byte() % 9;
        for (int i = 0; i < keys && !input.Empty(); ++i) {
            test::TreeKey key{KeyName(input), {}};
            const int values = input.Byte() % 6;
            for (int v = 0; v < values; ++v) {
                const char* name = kValueNames[input.Byte() % 5];
                const std::uint32_t type = kTypes[input.Byte() % 8];
                std::size_t length = input.Byte();
                if (length >= 0xF0) length = 2040 + (length - 0xF0);  // around the buffer's size
                const std::string bytes = input.Bytes(length);
                bool clash = false;
                for (const test::TreeValue& other : key.values) clash |= other.name == name;
                if (!clash) key.values.push_back({name, type, std::vector<unsigned char>(bytes.begin(), bytes.end())});
            }
            bool clash = false;
            for (const test::TreeKey& other : tree.keys) clash |= CompareRegistryNames(other.name, key.name) == 0;
            if (!clash) tree.keys.push_back(std::move(key));
        }
    }
    return forest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::uint8_t plan = input.Byte();
    const int failAt = plan & 1 ? input.Byte() | (input.Byte() << 8) : -1;
    const RegStatus error = kErrors[input.Byte() % 5];
    const test::Forest forest = Decode(input);

    const std::string fault = test::CheckFaultedWalk(forest, failAt, error);
    if (!fault.empty()) {
        std::fprintf(stderr, "fuzz_catalogue: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
