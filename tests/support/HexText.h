#pragma once
// Builds Intel HEX text for tests: records with their checksums.

#include <QByteArray>
#include <cstdint>
#include <utility>
#include <vector>

namespace cv::test {

inline QByteArray hexRecord(uint16_t address, uint8_t type, const QByteArray& data)
{
    QByteArray rec;
    rec.append(static_cast<char>(data.size()));
    rec.append(static_cast<char>(address >> 8));
    rec.append(static_cast<char>(address & 0xFF));
    rec.append(static_cast<char>(type));
    rec.append(data);
    uint8_t sum = 0;
    for (char c : rec)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    rec.append(static_cast<char>(static_cast<uint8_t>(-sum)));
    return ':' + rec.toHex().toUpper() + "\r\n";
}

// Data at each address in records of at most 16 bytes, then the end record.
inline QByteArray hexText(const std::vector<std::pair<uint16_t, QByteArray>>& blocks)
{
    QByteArray text;
    for (const auto& [address, bytes] : blocks)
        for (qsizetype i = 0; i < bytes.size(); i += 16)
            text += hexRecord(static_cast<uint16_t>(address + i), 0x00, bytes.mid(i, 16));
    return text + hexRecord(0, 0x01, {});
}

// n bytes counting up from `first`.
inline QByteArray countingBytes(int n, int first = 0)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((first + i) & 0xFF));
    return b;
}

} // namespace cv::test
