// libFuzzer target: the reader and the list builder over three Uninstall keys
// decoded from the input, now and then with one registry call failing, checked
// against the read-by-read model. Any difference, or an open left unclosed, aborts.
#include "catalogue/uninstall_list.h"
#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "support/model.h"
#include "support/scripted_registry.h"
#include "support/vector_sink.h"

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

void Check(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(stderr, "fuzz_catalogue: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::uint8_t plan = input.Byte();
    const int failAt = plan & 1 ? input.Byte() | (input.Byte() << 8) : -1;
    const RegStatus error = kErrors[input.Byte() % 5];
    const test::Forest forest = Decode(input);

    MemoryRegistry registry;
    test::LoadForest(registry, forest);
    test::ScriptedRegistry scripted(registry);
    scripted.failAt = failAt;
    scripted.failWith = error;
    test::VectorSink programs, hidden;
    ListaaOhjelmat(scripted, programs, hidden);

    int reads = 0;
    const bool failed = failAt >= 0 && failAt < scripted.calls;
    const bool close = failed && failAt % 3 == 2;
    const test::ModelLists model = test::ModelWithFailedRead(forest, failed && !close ? failAt / 3 : -1, &reads);
    Check(scripted.calls == 3 * reads, "the walk made other calls than the model's reads");
    Check(programs.Sorted() == model.programs, "programs list differs from the model");
    Check(hidden.Sorted() == model.hidden, "hidden list differs from the model");
    Check(scripted.open.empty() && scripted.doubleCloses == 0, "a key was not closed exactly once");
    Check(registry.OpenHandleCount() <= (close ? 1u : 0u), "a key was left open");
    if (!failed) {
        const test::ModelLists declarative = test::Model(forest);
        Check(declarative.programs == model.programs && declarative.hidden == model.hidden, "the two models disagree");
    }
    return 0;
}
