#include "link/IntelHex.h"

#include <QFile>
#include <QList>
#include <filesystem>

namespace cv {

std::optional<uint32_t> HexImage::byteAt(uint32_t address) const
{
    if (address >= kSize || !present.test(address))
        return std::nullopt;
    return data[address];
}

std::vector<HexImage::Run> HexImage::runs() const
{
    std::vector<Run> out;
    for (uint32_t a = 0; a < kSize; ++a) {
        if (!present.test(a))
            continue;
        if (!out.empty() && out.back().start + out.back().length == a)
            ++out.back().length;
        else
            out.push_back({a, 1});
    }
    return out;
}

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

HexResult refuse(int line, const QString& why)
{
    return {std::nullopt, QStringLiteral("line %1: %2").arg(line).arg(why)};
}
} // namespace

HexResult parseIntelHex(const QByteArray& text)
{
    HexImage image;
    uint32_t base = 0;
    bool ended = false;
    const QList<QByteArray> lines = text.split('\n');
    int lineNo = 0;
    for (QByteArray line : lines) {
        ++lineNo;
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (ended)
            return refuse(lineNo, QStringLiteral("data after the end record"));
        if (line[0] != ':')
            return refuse(lineNo, QStringLiteral("record does not start with ':'"));
        if ((line.size() - 1) % 2 != 0 || line.size() < 11)
            return refuse(lineNo, QStringLiteral("record has a broken length"));
        QByteArray rec;
        for (int i = 1; i + 1 < line.size(); i += 2) {
            const int hi = hexDigit(line[i]), lo = hexDigit(line[i + 1]);
            if (hi < 0 || lo < 0)
                return refuse(lineNo,
                              QStringLiteral("record holds a character that is not hexadecimal"));
            rec.append(static_cast<char>(hi * 16 + lo));
        }
        const auto u = [&](int i) { return static_cast<uint8_t>(rec[i]); };
        const int count = u(0);
        if (rec.size() != count + 5)
            return refuse(lineNo, QStringLiteral("record length does not match its byte count"));
        uint8_t sum = 0;
        for (char c : rec)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        if (sum != 0)
            return refuse(lineNo, QStringLiteral("checksum does not match"));
        const uint32_t offset = (u(1) << 8) | u(2);
        switch (u(3)) {
        case 0x00:
            if (count > 0 &&
                uint64_t{base} + offset + static_cast<uint64_t>(count) - 1 >= HexImage::kSize)
                return refuse(lineNo, QStringLiteral("data past address 0xFFFF"));
            for (int i = 0; i < count; ++i) {
                image.data[base + offset + i] = u(4 + i);
                image.present.set(base + offset + i);
            }
            break;
        case 0x01:
            if (count != 0)
                return refuse(lineNo, QStringLiteral("end record carries data"));
            ended = true;
            break;
        case 0x02:
            if (count != 2)
                return refuse(lineNo, QStringLiteral("segment record needs two bytes"));
            base = ((u(4) << 8) | u(5)) << 4;
            break;
        case 0x03:
        case 0x05:
            if (count != 4)
                return refuse(lineNo, QStringLiteral("start address record needs four bytes"));
            break;
        case 0x04:
            if (count != 2)
                return refuse(lineNo, QStringLiteral("linear address record needs two bytes"));
            base = ((u(4) << 8) | u(5)) << 16;
            break;
        default: return refuse(lineNo, QStringLiteral("unknown record type %1").arg(u(3)));
        }
    }
    if (!ended)
        return refuse(lineNo, QStringLiteral("no end record"));
    return {std::move(image), {}};
}

HexResult readIntelHexFile(const QString& path)
{
    // A device or pipe (a link to /dev/zero) never ends: only plain files.
    std::error_code ec;
    const auto status = std::filesystem::status(QFile::encodeName(path).toStdString(), ec);
    if (ec || status.type() != std::filesystem::file_type::regular)
        return {std::nullopt, QStringLiteral("%1 is not a regular file").arg(path)};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot open %1").arg(path)};
    // Read one byte past the limit, so a file that grew since is caught too.
    const QByteArray text = f.read(kMaxHexFileBytes + 1);
    if (text.size() > kMaxHexFileBytes)
        return {std::nullopt,
                QStringLiteral("%1 is larger than %2 MB").arg(path).arg(kMaxHexFileBytes >> 20)};
    return parseIntelHex(text);
}

} // namespace cv
