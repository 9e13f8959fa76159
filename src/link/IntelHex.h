#pragma once
// Intel HEX reader: record types 00 (data), 01 (end), 02 (extended segment
// address) and 04 (extended linear address), every checksum checked. A file
// with any fault is refused whole.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

namespace cv {

struct HexImage {
    // Address -> byte; sparse, as firmware images are.
    std::map<uint32_t, uint8_t> bytes;
    std::optional<uint32_t> byteAt(uint32_t address) const;
};

struct HexResult {
    std::optional<HexImage> image;
    QString error; // "line N: ..." when refused
};

HexResult parseIntelHex(const QByteArray& text);
HexResult readIntelHexFile(const QString& path);

} // namespace cv
