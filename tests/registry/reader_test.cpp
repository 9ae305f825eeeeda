#include "registry/mdlKarnio.h"

#include "registry/memory_registry.h"
#include "support/random_tree.h"
#include "support/recording_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karnio {
namespace {

using test::StringData;

constexpr char kKey[] = "Software\\Karnio Test\\";

class Reader : public ::testing::Test {
protected:
    void Set(const std::string& name, std::uint32_t type, std::vector<unsigned char> data)
    {
        registry_.SetValue(kHkeyLocalMachine, kKey, name, type, std::move(data));
    }
    std::string Read(const std::string& name) { return HaeRekisteriarvo(registry_, kHkeyLocalMachine, kKey, name); }

    void TearDown() override { EXPECT_EQ(registry_.OpenHandleCount(), 0u); }

    MemoryRegistry registry_;
};

TEST_F(Reader, ReadsStringsAsTheirText)
{
    Set("abc", kRegSz, StringData("abc"));
    Set("empty", kRegSz, StringData(""));
    Set("nodata", kRegSz, {});
    Set("unterminated", kRegSz, StringData("abc", false));
    Set("expand", kRegExpandSz, StringData("%SystemRoot%\\x.exe"));
    Set("multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
    Set("utf8", kRegSz, StringData("Ääkköset Служба 中文"));

    EXPECT_EQ(Read("abc"), "abc");
    EXPECT_EQ(Read("empty"), "");
    EXPECT_EQ(Read("nodata"), "");
    EXPECT_EQ(Read("unterminated"), "abc");
    EXPECT_EQ(Read("expand"), "%SystemRoot%\\x.exe");
    EXPECT_EQ(Read("multi"), std::string("a\0b\0", 4));
    EXPECT_EQ(Read("utf8"), "Ääkköset Служба 中文");
    EXPECT_EQ(Read("missing"), kNotFound);
}

TEST_F(Reader, FormatsDwordsWithAtLeastThreeDigits)
{
    Set("five", kRegDword, {5, 0, 0, 0});
    Set("forty-two", kRegDword, {42, 0, 0, 0});
    Set("thousands", kRegDword, {0xD2, 0x04, 0, 0});
    Set("largest", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF});
    Set("high-bit", kRegDword, {0, 0, 0, 0x80});
    Set("two-bytes", kRegDword, {0x34, 0x12});
    Set("no-bytes", kRegDword, {});
    Set("eight-bytes", kRegDword, {1, 0, 0, 0, 9, 9, 9, 9});

    EXPECT_EQ(Read("five"), "005");
    EXPECT_EQ(Read("forty-two"), "042");
    EXPECT_EQ(Read("thousands"), "1234");
    EXPECT_EQ(Read("largest"), "4294967295");
    EXPECT_EQ(Read("high-bit"), "2147483648");
    EXPECT_EQ(Read("two-bytes"), "4660");  // never the blank filler as high bytes
    EXPECT_EQ(Read("no-bytes"), "000");
    EXPECT_EQ(Read("eight-bytes"), "001");
}

TEST_F(Reader, FormatsBinaryAsUpperCaseHexPairs)
{
    Set("pair", kRegBinary, {0x01, 0xAB});
    Set("three", kRegBinary, {0x0A, 0xFF, 0x03});
    Set("empty", kRegBinary, {});
    Set("full", kRegBinary, std::vector<unsigned char>(kReadBufferSize, 0xC3));

    EXPECT_EQ(Read("pair"), "01AB");
    EXPECT_EQ(Read("three"), "0AFF03");
    EXPECT_EQ(Read("empty"), "");
    EXPECT_EQ(Read("full").size(), 2 * kReadBufferSize);
}

TEST_F(Reader, RefusesDataLargerThanTheBuffer)
{
    Set("fits", kRegSz, StringData(std::string(kReadBufferSize - 1, 'x')));
    Set("too-long", kRegSz, StringData(std::string(kReadBufferSize, 'x')));
    Set("too-long-binary", kRegBinary, std::vector<unsigned char>(kReadBufferSize + 1, 1));
    // Two bytes a letter: 1024 letters and the terminator make 2049 bytes.
    std::string umlauts;
    for (int i = 0; i < 1024; ++i) umlauts += "ä";
    Set("too-long-utf8", kRegSz, StringData(umlauts));

    EXPECT_EQ(Read("fits"), std::string(kReadBufferSize - 1, 'x'));
    EXPECT_EQ(Read("too-long"), kNotFound);
    EXPECT_EQ(Read("too-long-binary"), kNotFound);
    EXPECT_EQ(Read("too-long-utf8"), kNotFound);
}

TEST_F(Reader, OpensAndClosesOncePerCallOnEveryPath)
{
    Set("abc", kRegSz, StringData("abc"));
    test::RecordingRegistry recording(registry_);

    EXPECT_EQ(HaeRekisteriarvo(recording, kHkeyLocalMachine, kKey, "abc"), "abc");
    EXPECT_EQ(HaeRekisteriarvo(recording, kHkeyLocalMachine, kKey, "missing"), kNotFound);
    EXPECT_EQ(HaeRekisteriarvo(recording, kHkeyLocalMachine, "Software\\Nowhere\\", "abc"), kNotFound);
    EXPECT_EQ(HaeAliavain(recording, kHkeyLocalMachine, "Software\\Nowhere\\", 0), kNotFound);

    const std::vector<std::string> expected = {
        "open Software\\Karnio Test\\", "query abc size 2048",     "close",
        "open Software\\Karnio Test\\", "query missing size 2048", "close",
        "open Software\\Nowhere\\ -> fail", "query abc size 2048", "close 0",
        "open Software\\Nowhere\\ -> fail", "enum 0 size 2048",    "close 0",
    };
    EXPECT_EQ(recording.calls, expected);
}

TEST_F(Reader, HostileDataReadsAsTheRulesSay)
{
    // Zero characters inside a value are kept; only a final terminator goes.
    Set("zeros", kRegSz, StringData(std::string("abc\0def", 7)));
    Set("multi", kRegMultiSz, {'x', 0, 'y', 0, 0});
    // Bytes that are no UTF-8 at all come back unchanged from non-string types.
    Set("invalid", kRegNone, {'C', 'a', 'f', 0xE9, ' ', 0xFF, 0xFE, 0xC0});
    Set("qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8});
    Set("qword-zero-top", kRegQword, {0x41, 0x42, 0, 0, 0, 0, 0, 0});
    Set("none-empty", kRegNone, {});
    Set("big-endian", 5, {0, 0, 0, 7});  // REG_DWORD_BIG_ENDIAN is not REG_DWORD
    const std::string longest(kReadBufferSize - 1, 'n');
    Set("longest", kRegSz, StringData(longest));
    std::string longestUtf8;
    while (longestUtf8.size() + 2 <= kReadBufferSize - 1) longestUtf8 += "ö";
    longestUtf8 += "x";
    Set("longest-utf8", kRegExpandSz, StringData(longestUtf8));

    EXPECT_EQ(Read("zeros"), std::string("abc\0def", 7));
    EXPECT_EQ(Read("multi"), std::string("x\0y\0", 4));
    EXPECT_EQ(Read("invalid"), "Caf\xE9 \xFF\xFE\xC0");
    EXPECT_EQ(Read("qword"), std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(Read("qword-zero-top"), std::string("AB\0\0\0\0\0", 7));
    EXPECT_EQ(Read("none-empty"), "");
    EXPECT_EQ(Read("big-endian"), std::string("\0\0\0\x07", 4));
    EXPECT_EQ(Read("longest"), longest);
    EXPECT_EQ(longestUtf8.size(), kReadBufferSize - 1);
    EXPECT_EQ(Read("longest-utf8"), longestUtf8);
}

TEST_F(Reader, NamesOfTheLongestKeysRoundTrip)
{
    // 255 characters is the registry's limit for one key name; in UTF-8 that may be 765 bytes.
    const std::string ascii(255, 'k');
    std::string cjk;
    for (int i = 0; i < 255; ++i) cjk += "鍵";
    for (const std::string& name : {ascii, cjk}) registry_.SetString(kHkeyLocalMachine, kKey + name, "DisplayName", name);
    EXPECT_EQ(HaeAliavain(registry_, kHkeyLocalMachine, kKey, 0), ascii);
    EXPECT_EQ(HaeAliavain(registry_, kHkeyLocalMachine, kKey, 1), cjk);
    EXPECT_EQ(HaeRekisteriarvo(registry_, kHkeyLocalMachine, kKey + cjk, "DisplayName"), cjk);
}

TEST_F(Reader, EnumeratesSubkeysUntilNotFound)
{
    for (const char* name : {"Gamma", "alpha", "Beta ÄÖ"}) registry_.CreateKey(kHkeyLocalMachine, kKey + std::string(name));

    std::vector<std::string> names;
    for (std::int32_t index = 0; index < 5; ++index) names.push_back(HaeAliavain(registry_, kHkeyLocalMachine, kKey, index));
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta ÄÖ", "Gamma", kNotFound, kNotFound}));
    EXPECT_EQ(HaeAliavain(registry_, kHkeyLocalMachine, kKey, -1), kNotFound);
}

}  // namespace
}  // namespace karnio
