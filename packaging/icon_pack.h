#pragma once
// Packs PNG icon images into a Windows .ico or a macOS .icns file, both of which can hold
// PNG data as it is; used at build time to give the window its icon on those systems.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::packaging {

// One PNG file's bytes and what its header says about the image.
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits_per_pixel = 0;
    std::string bytes;
};

// Reads width, height and bits per pixel from the PNG header. Throws std::invalid_argument
// when the bytes do not start with a PNG signature and a well-formed image header.
PngImage ReadPng(std::string bytes);

// A .ico holding every image, in the order given. Images must be 1 to 256 pixels each way,
// of distinct sizes; throws std::invalid_argument otherwise, or when there are none.
std::string BuildIco(const std::vector<PngImage>& images);

// The .icns element type that holds a square PNG of this size ("ic08" for 256), or an empty
// view when .icns has no PNG slot for it (48, for one).
std::string_view IcnsTypeForSize(std::uint32_t size);

// A .icns holding every image. Images must be square, of a size IcnsTypeForSize knows and
// distinct; throws std::invalid_argument otherwise, or when there are none.
std::string BuildIcns(const std::vector<PngImage>& images);

}  // namespace sondrel::packaging
