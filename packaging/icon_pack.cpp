#include "packaging/icon_pack.h"

#include <array>
#include <initializer_list>
#include <set>
#include <stdexcept>
#include <utility>

namespace sondrel::packaging {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};

std::uint32_t ReadBigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void AppendLittleEndian(std::string& out, std::uint32_t value, int byte_count) {
    for (int i = 0; i < byte_count; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Bits per pixel for a PNG colour type and bit depth, or 0 when the pair is not allowed.
std::uint16_t BitsPerPixel(unsigned colour_type, unsigned bit_depth) {
    auto depth_in = [bit_depth](std::initializer_list<unsigned> allowed) {
        for (unsigned d : allowed) {
            if (d == bit_depth) {
                return true;
            }
        }
        return false;
    };
    switch (colour_type) {
        case 0:  // grey
            return depth_in({1, 2, 4, 8, 16}) ? static_cast<std::uint16_t>(bit_depth) : 0;
        case 3:  // palette
            return depth_in({1, 2, 4, 8}) ? static_cast<std::uint16_t>(bit_depth) : 0;
        case 2:  // RGB
            return depth_in({8, 16}) ? static_cast<std::uint16_t>(3 * bit_depth) : 0;
        case 4:  // grey and alpha
            return depth_in({8, 16}) ? static_cast<std::uint16_t>(2 * bit_depth) : 0;
        case 6:  // RGB and alpha
            return depth_in({8, 16}) ? static_cast<std::uint16_t>(4 * bit_depth) : 0;
        default:
            return 0;
    }
}

std::string SizeText(const PngImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

void RequireDistinctSizes(const std::vector<PngImage>& images, std::string_view format) {
    if (images.empty()) {
        throw std::invalid_argument(std::string(format) + " needs at least one image");
    }
    std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
    for (const PngImage& image : images) {
        if (!seen.emplace(image.width, image.height).second) {
            throw std::invalid_argument(std::string(format) + " given two " + SizeText(image) +
                                        " images");
        }
    }
}

}  // namespace

PngImage ReadPng(std::string bytes) {
    // Signature, then the first chunk, which must be the 13-byte image header:
    // length, "IHDR", width, height, bit depth, colour type, ...
    constexpr std::size_t kHeaderEnd = 8 + 4 + 4 + 13;
    if (bytes.size() < kHeaderEnd || std::string_view(bytes).substr(0, 8) != kPngSignature) {
        throw std::invalid_argument("not a PNG file");
    }
    if (ReadBigEndian32(bytes, 8) != 13 || std::string_view(bytes).substr(12, 4) != "IHDR") {
        throw std::invalid_argument("PNG file does not start with an image header");
    }
    PngImage image;
    image.width = ReadBigEndian32(bytes, 16);
    image.height = ReadBigEndian32(bytes, 20);
    image.bits_per_pixel =
        BitsPerPixel(static_cast<unsigned char>(bytes[25]), static_cast<unsigned char>(bytes[24]));
    if (image.width == 0 || image.height == 0 || image.bits_per_pixel == 0) {
        throw std::invalid_argument("PNG image header is not valid");
    }
    image.bytes = std::move(bytes);
    return image;
}

std::string BuildIco(const std::vector<PngImage>& images) {
    RequireDistinctSizes(images, ".ico");
    constexpr std::uint32_t kDirectorySize = 6;
    constexpr std::uint32_t kEntrySize = 16;

    std::string out;
    AppendLittleEndian(out, 0, 2);  // reserved
    AppendLittleEndian(out, 1, 2);  // 1: icon (2 would be a cursor)
    AppendLittleEndian(out, static_cast<std::uint32_t>(images.size()), 2);

    std::uint32_t offset = kDirectorySize + kEntrySize * static_cast<std::uint32_t>(images.size());
    for (const PngImage& image : images) {
        if (image.width > 256 || image.height > 256) {
            throw std::invalid_argument(".ico cannot hold a " + SizeText(image) + " image");
        }
        // A byte each for width and height, where 0 stands for 256.
        AppendLittleEndian(out, image.width % 256, 1);
        AppendLittleEndian(out, image.height % 256, 1);
        AppendLittleEndian(out, 0, 1);  // no palette
        AppendLittleEndian(out, 0, 1);  // reserved
        AppendLittleEndian(out, 1, 2);  // colour planes
        AppendLittleEndian(out, image.bits_per_pixel, 2);
        AppendLittleEndian(out, static_cast<std::uint32_t>(image.bytes.size()), 4);
        AppendLittleEndian(out, offset, 4);
        offset += static_cast<std::uint32_t>(image.bytes.size());
    }
    for (const PngImage& image : images) {
        out += image.bytes;
    }
    return out;
}

std::string_view IcnsTypeForSize(std::uint32_t size) {
    // The element types that take PNG data, one per size (the "@2x" duplicates left out).
    constexpr std::array<std::pair<std::uint32_t, std::string_view>, 7> kTypes{{
        {16, "icp4"},
        {32, "icp5"},
        {64, "icp6"},
        {128, "ic07"},
        {256, "ic08"},
        {512, "ic09"},
        {1024, "ic10"},
    }};
    for (const auto& [type_size, type] : kTypes) {
        if (type_size == size) {
            return type;
        }
    }
    return {};
}

std::string BuildIcns(const std::vector<PngImage>& images) {
    RequireDistinctSizes(images, ".icns");
    constexpr std::uint32_t kElementHeader = 8;  // type and length

    std::string elements;
    for (const PngImage& image : images) {
        std::string_view type = IcnsTypeForSize(image.width);
        if (image.width != image.height || type.empty()) {
            throw std::invalid_argument(".icns has no place for a " + SizeText(image) + " image");
        }
        elements += type;
        AppendBigEndian32(elements,
                          kElementHeader + static_cast<std::uint32_t>(image.bytes.size()));
        elements += image.bytes;
    }
    std::string out = "icns";
    AppendBigEndian32(out, kElementHeader + static_cast<std::uint32_t>(elements.size()));
    out += elements;
    return out;
}

}  // namespace sondrel::packaging
