#include "registry/mdlKarnio.h"

#include "registry/unicode.h"

#include <algorithm>
#include <vector>

namespace karnio {

namespace {

std::string DwordText(const unsigned char* data, std::uint32_t size)
{
    // Missing high bytes of a short value count as zero.
    std::uint32_t number = 0;
    for (std::uint32_t i = std::min<std::uint32_t>(size, 4); i-- > 0;) number = (number << 8) | data[i];
    std::string text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string BinaryText(const unsigned char* data, std::uint32_t size)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2);
    for (std::uint32_t i = 0; i < size; ++i) {
        text.push_back(kHex[data[i] >> 4]);
        text.push_back(kHex[data[i] & 0x0F]);
    }
    return text;
}

std::string PlainText(const unsigned char* data, std::uint32_t size)
{
    // A string stored without its terminator keeps its last character.
    if (size > 0 && data[size - 1] == 0) --size;
    return std::string(reinterpret_cast<const char*>(data), size);
}

RegKey Open(Registry& registry, RegKey root, const std::string& path, RegView view)
{
    RegKey key = 0;
    if (view == RegView::Native)
        registry.OpenKey(root, path.c_str(), &key);
    else
        registry.OpenKeyEx(root, path.c_str(), view, &key);
    return key;
}

}  // namespace

std::string HaeRekisteriarvo(Registry& registry, RegKey root, const std::string& path,
                             const std::string& valueName, RegView view)
{
    const RegKey key = Open(registry, root, path, view);

    std::vector<unsigned char> buffer(kReadBufferSize, ' ');
    std::uint32_t type = 0;
    std::uint32_t size = kReadBufferSize;
    const RegStatus status = registry.QueryValueEx(key, valueName.c_str(), &type, buffer.data(), &size);

    std::string result = kNotFound;
    if (status == kErrorSuccess && size <= kReadBufferSize) {
        if (type == kRegDword)
            result = DwordText(buffer.data(), size);
        else if (type == kRegBinary)
            result = BinaryText(buffer.data(), size);
        else
            result = PlainText(buffer.data(), size);
    }
    registry.CloseKey(key);
    return result;
}

std::optional<std::uint32_t> HaeDword(Registry& registry, RegKey root, const std::string& path, const std::string& valueName,
                                      RegView view)
{
    const RegKey key = Open(registry, root, path, view);
    unsigned char data[4] = {};
    std::uint32_t type = 0, size = sizeof data;
    const RegStatus status = registry.QueryValueEx(key, valueName.c_str(), &type, data, &size);
    registry.CloseKey(key);
    if (status != kErrorSuccess || type != kRegDword || size != sizeof data) return std::nullopt;
    return static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24));
}

std::string HaeAliavain(Registry& registry, RegKey root, const std::string& path, std::int32_t index,
                        RegView view)
{
    const RegKey key = Open(registry, root, path, view);

    std::vector<char> buffer(kReadBufferSize, ' ');
    std::uint32_t length = kReadBufferSize;
    const RegStatus status = registry.EnumKeyEx(key, static_cast<std::uint32_t>(index), buffer.data(), &length);

    std::string result = kNotFound;
    // The true length keeps a name with a zero character in it whole.
    if (status == kErrorSuccess && length < kReadBufferSize) result.assign(buffer.data(), length);
    registry.CloseKey(key);
    return result;
}

std::optional<std::u16string> HaeAliavainW(Registry& registry, RegKey root, const std::string& path,
                                           std::int32_t index, RegView view)
{
    RegKey key = 0;
    registry.OpenKeyExW(root, Utf16(path).c_str(), view, &key);
    std::u16string buffer(kReadBufferSize, u' ');
    std::uint32_t length = kReadBufferSize;
    const RegStatus status = registry.EnumKeyExW(key, static_cast<std::uint32_t>(index), buffer.data(), &length);
    registry.CloseKey(key);
    if (status != kErrorSuccess || length >= kReadBufferSize) return std::nullopt;
    return buffer.substr(0, length);
}

}  // namespace karnio
