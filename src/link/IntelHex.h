#pragma once
// Intel HEX reader for FX2 firmware: record types 00 (data), 01 (end), 02
// (extended segment address) and 04 (extended linear address); 03 and 05
// (start addresses) are accepted and ignored, since the FX2 always starts at
// 0. Every checksum is checked. The image is one 64 KiB flat buffer: an
// address past 0xFFFF is refused here and nowhere else. A file with any
// fault is refused whole.

#include <QByteArray>
#include <QString>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace cv {

struct HexImage {
    static constexpr uint32_t kSize = 0x10000;
    HexImage() : data(kSize, 0) {}

    std::vector<uint8_t> data;  // kSize bytes; only those `present` were given
    std::bitset<kSize> present; // which addresses a record set

    std::optional<uint32_t> byteAt(uint32_t address) const;
    struct Run {
        uint32_t start = 0;
        uint32_t length = 0;
        friend bool operator==(const Run&, const Run&) = default;
    };
    // The addresses set, as ascending runs of consecutive bytes.
    std::vector<Run> runs() const;
};

struct HexResult {
    std::optional<HexImage> image;
    QString error; // "line N: ..." when refused
};

// Largest file the reader takes; a 64 KiB image is about 180 KB of text.
constexpr qint64 kMaxHexFileBytes = 4 * 1024 * 1024;

HexResult parseIntelHex(const QByteArray& text);
// Refuses anything but a regular file of at most kMaxHexFileBytes.
HexResult readIntelHexFile(const QString& path);

} // namespace cv
