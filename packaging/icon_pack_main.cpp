// sondrel-iconpack OUTPUT.ico|OUTPUT.icns IMAGE.png...
// Build-time helper: packs the window's PNG icons for Windows or macOS.

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "packaging/icon_pack.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: sondrel-iconpack OUTPUT.ico|OUTPUT.icns IMAGE.png...\n", stderr);
        return 2;
    }
    const std::string output = argv[1];
    try {
        std::vector<sondrel::packaging::PngImage> images;
        for (int i = 2; i < argc; ++i) {
            try {
                images.push_back(sondrel::packaging::ReadPng(ReadFile(argv[i])));
            } catch (const std::invalid_argument& e) {
                throw std::runtime_error(std::string(argv[i]) + ": " + e.what());
            }
        }
        std::string packed;
        if (EndsWith(output, ".ico")) {
            packed = sondrel::packaging::BuildIco(images);
        } else if (EndsWith(output, ".icns")) {
            packed = sondrel::packaging::BuildIcns(images);
        } else {
            std::fputs("sondrel-iconpack: the output must end in .ico or .icns\n", stderr);
            return 2;
        }
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write " + output);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sondrel-iconpack: %s\n", e.what());
        std::remove(output.c_str());
        return 1;
    }
    return 0;
}
