#include "packaging/icon_pack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sondrel::packaging {
namespace {

void PutBigEndian32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

// The start of a PNG file: signature and image header, then a body that makes each image's
// bytes distinct so that misplaced data shows.
std::string PngBytes(std::uint32_t width, std::uint32_t height, int bit_depth = 8,
                     int colour_type = 6) {
    std::string out("\x89PNG\r\n\x1a\n", 8);
    PutBigEndian32(out, 13);
    out += "IHDR";
    PutBigEndian32(out, width);
    PutBigEndian32(out, height);
    out.push_back(static_cast<char>(bit_depth));
    out.push_back(static_cast<char>(colour_type));
    out.append(3, '\0');     // compression, filter, interlace
    PutBigEndian32(out, 0);  // header checksum, not looked at
    out += "body " + std::to_string(width) + "x" + std::to_string(height);
    return out;
}

PngImage Png(std::uint32_t width, std::uint32_t height) {
    return ReadPng(PngBytes(width, height));
}

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

// --- reading the PNG header -----------------------------------------------------------------

struct HeaderCase {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    int bit_depth;
    int colour_type;
    std::uint16_t bits_per_pixel;
};

class ReadPngHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(ReadPngHeader, GivesSizeAndDepth) {
    const HeaderCase& c = GetParam();
    const std::string bytes = PngBytes(c.width, c.height, c.bit_depth, c.colour_type);
    PngImage image = ReadPng(bytes);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.bits_per_pixel, c.bits_per_pixel);
    EXPECT_EQ(image.bytes, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Png, ReadPngHeader,
    testing::Values(HeaderCase{"Rgba16", 16, 16, 8, 6, 32}, HeaderCase{"Rgb48", 48, 48, 8, 2, 24},
                    HeaderCase{"Palette4Bit", 32, 32, 4, 3, 4},
                    HeaderCase{"GreyAlpha16Bit", 256, 256, 16, 4, 32},
                    HeaderCase{"WideRgba64Bit", 300, 20, 16, 6, 64},
                    HeaderCase{"LargeSizeUsesAllBytes", 0x01020304, 0x0A0B0C0D, 1, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadPngCase {
    const char* name;
    std::string bytes;
};

class ReadPngRejects : public testing::TestWithParam<BadPngCase> {};

TEST_P(ReadPngRejects, Throws) {
    EXPECT_THROW(ReadPng(GetParam().bytes), std::invalid_argument);
}

std::string WithByte(std::string bytes, std::size_t at, char value) {
    bytes.at(at) = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Png, ReadPngRejects,
    testing::Values(BadPngCase{"Empty", ""}, BadPngCase{"JpegStart", "\xFF\xD8\xFF\xE0"},
                    BadPngCase{"SignatureDamaged", WithByte(PngBytes(16, 16), 1, 'Q')},
                    BadPngCase{"CutInsideHeader", PngBytes(16, 16).substr(0, 28)},
                    BadPngCase{"FirstChunkNotHeader", WithByte(PngBytes(16, 16), 12, 'i')},
                    BadPngCase{"HeaderLengthWrong", WithByte(PngBytes(16, 16), 11, 12)},
                    BadPngCase{"ZeroWidth", PngBytes(0, 16)},
                    BadPngCase{"ZeroHeight", PngBytes(16, 0)},
                    BadPngCase{"RgbWithFourBitDepth", PngBytes(16, 16, 4, 2)},
                    BadPngCase{"UnknownColourType", PngBytes(16, 16, 8, 5)}),
    [](const auto& info) { return std::string(info.param.name); });

// --- .ico -----------------------------------------------------------------------------------

struct IcoCase {
    const char* name;
    std::vector<std::uint32_t> sizes;
};

class BuildIcoLayout : public testing::TestWithParam<IcoCase> {};

// Walks the directory the way a reader does: each entry's size bytes, and its offset and
// length pointing at exactly that image's PNG bytes, packed end to end after the directory.
TEST_P(BuildIcoLayout, DirectoryPointsAtEachImage) {
    std::vector<PngImage> images;
    for (std::uint32_t size : GetParam().sizes) {
        images.push_back(Png(size, size));
    }
    const std::string ico = BuildIco(images);

    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(LittleEndian(ico, 0, 2), 0u);
    EXPECT_EQ(LittleEndian(ico, 2, 2), 1u);
    ASSERT_EQ(LittleEndian(ico, 4, 2), images.size());

    std::size_t expected_offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const std::size_t entry = 6 + 16 * i;
        const std::uint32_t size_byte = images[i].width == 256 ? 0 : images[i].width;
        EXPECT_EQ(LittleEndian(ico, entry + 0, 1), size_byte);
        EXPECT_EQ(LittleEndian(ico, entry + 1, 1), size_byte);
        EXPECT_EQ(LittleEndian(ico, entry + 4, 2), 1u);
        EXPECT_EQ(LittleEndian(ico, entry + 6, 2), 32u);
        const std::uint32_t length = LittleEndian(ico, entry + 8, 4);
        const std::uint32_t offset = LittleEndian(ico, entry + 12, 4);
        EXPECT_EQ(offset, expected_offset);
        EXPECT_EQ(ico.substr(offset, length), images[i].bytes);
        expected_offset += length;
    }
    EXPECT_EQ(ico.size(), expected_offset);
}

INSTANTIATE_TEST_SUITE_P(Ico, BuildIcoLayout,
                         testing::Values(IcoCase{"One", {32}}, IcoCase{"Largest", {256}},
                                         IcoCase{"WindowSet", {16, 32, 48, 256}},
                                         IcoCase{"KeepsGivenOrder", {256, 16, 48}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildIco, KeepsNonSquareSizes) {
    const std::string ico = BuildIco({Png(256, 48)});
    EXPECT_EQ(LittleEndian(ico, 6, 1), 0u);
    EXPECT_EQ(LittleEndian(ico, 7, 1), 48u);
}

TEST(BuildIco, TakesBitCountFromEachImage) {
    const std::string ico =
        BuildIco({ReadPng(PngBytes(16, 16, 8, 2)), ReadPng(PngBytes(32, 32, 8, 3))});
    EXPECT_EQ(LittleEndian(ico, 6 + 6, 2), 24u);
    EXPECT_EQ(LittleEndian(ico, 6 + 16 + 6, 2), 8u);
}

class BuildIcoRejects : public testing::TestWithParam<IcoCase> {};

TEST_P(BuildIcoRejects, Throws) {
    std::vector<PngImage> images;
    for (std::uint32_t size : GetParam().sizes) {
        images.push_back(Png(size, size));
    }
    EXPECT_THROW(BuildIco(images), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Ico, BuildIcoRejects,
                         testing::Values(IcoCase{"NoImages", {}}, IcoCase{"TooLarge", {257}},
                                         IcoCase{"TooLargeAmongOthers", {16, 512}},
                                         IcoCase{"SameSizeTwice", {32, 16, 32}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- .icns ----------------------------------------------------------------------------------

struct IcnsTypeCase {
    std::uint32_t size;
    const char* type;  // empty: no PNG slot
};

class IcnsType : public testing::TestWithParam<IcnsTypeCase> {};

TEST_P(IcnsType, ForSize) {
    EXPECT_EQ(IcnsTypeForSize(GetParam().size), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Icns, IcnsType,
                         testing::Values(IcnsTypeCase{16, "icp4"}, IcnsTypeCase{32, "icp5"},
                                         IcnsTypeCase{64, "icp6"}, IcnsTypeCase{128, "ic07"},
                                         IcnsTypeCase{256, "ic08"}, IcnsTypeCase{512, "ic09"},
                                         IcnsTypeCase{1024, "ic10"}, IcnsTypeCase{48, ""},
                                         IcnsTypeCase{0, ""}, IcnsTypeCase{2048, ""}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(BuildIcns, ElementsFollowTheFileHeader) {
    const std::vector<PngImage> images{Png(16, 16), Png(256, 256), Png(32, 32)};
    const std::string icns = BuildIcns(images);

    EXPECT_EQ(icns.substr(0, 4), "icns");
    EXPECT_EQ(BigEndian32(icns, 4), icns.size());
    const std::vector<std::string> types{"icp4", "ic08", "icp5"};
    std::size_t at = 8;
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(types[i]);
        ASSERT_LE(at + 8, icns.size());
        EXPECT_EQ(icns.substr(at, 4), types[i]);
        const std::uint32_t length = BigEndian32(icns, at + 4);
        EXPECT_EQ(length, 8 + images[i].bytes.size());
        EXPECT_EQ(icns.substr(at + 8, length - 8), images[i].bytes);
        at += length;
    }
    EXPECT_EQ(at, icns.size());
}

class BuildIcnsRejects : public testing::TestWithParam<IcoCase> {};

TEST_P(BuildIcnsRejects, Throws) {
    std::vector<PngImage> images;
    for (std::uint32_t size : GetParam().sizes) {
        images.push_back(Png(size, size));
    }
    EXPECT_THROW(BuildIcns(images), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Icns, BuildIcnsRejects,
                         testing::Values(IcoCase{"NoImages", {}}, IcoCase{"NoSlotFor48", {16, 48}},
                                         IcoCase{"SameSizeTwice", {256, 256}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildIcns, RejectsNonSquare) {
    EXPECT_THROW(BuildIcns({Png(256, 128)}), std::invalid_argument);
}

}  // namespace
}  // namespace sondrel::packaging
