#include "measure/CsvLog.h"

#include "link/UsbUtils.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace cv {

QJsonObject registerStamp(const std::vector<int16_t>& addresses)
{
    const auto hex = [](int v, int digits) {
        return QStringLiteral("0x") +
               QString::number(v, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
    };
    QJsonObject out;
    for (size_t i = 0; i < addresses.size();) {
        size_t n = 1;
        while (i + n < addresses.size() && n < kMaxReadCount &&
               addresses[i + n] == addresses[i] + int16_t(n))
            ++n;
        int16_t status = 0;
        int32_t v[kMaxReadCount] = {};
        ReadRegisters(addresses[i], int32_t(n), TargetChip, 0, status, v);
        for (size_t k = 0; k < n; ++k)
            out.insert(hex(addresses[i] + int(k), 3), hex(v[k] & 0xFFFF, 4));
        i += n;
    }
    return out;
}

std::unique_ptr<CsvLog> CsvLog::create(const QString& path, QJsonObject origin,
                                       const QJsonObject& registers,
                                       const QList<CsvColumn>& columns, QString* error)
{
    QList<CsvColumn> all = {{QStringLiteral("t_s"), QStringLiteral("s")},
                            {QStringLiteral("fetch_s"), QStringLiteral("s")},
                            {QStringLiteral("set"), QString()}};
    all += columns;
    QJsonArray described;
    QStringList names;
    for (const CsvColumn& c : all) {
        described.append(
            QJsonObject{{QStringLiteral("name"), c.name}, {QStringLiteral("unit"), c.unit}});
        names << c.name;
    }
    origin.insert(QStringLiteral("log"), QFileInfo(path).fileName());
    origin.insert(QStringLiteral("registers"), registers);
    origin.insert(QStringLiteral("columns"), described);
    // The stamp first: a log is never found without what says how it was made.
    if (!writeWholeFile(csvStampPath(path), QJsonDocument(origin).toJson(), error))
        return nullptr;
    std::unique_ptr<CsvLog> log(new CsvLog(path));
    log->columns_ = int(columns.size());
    if (!log->file_.open() || !log->file_.write(names.join(QLatin1Char(',')).toUtf8() + '\n')) {
        if (error)
            *error = log->errorText();
        return nullptr;
    }
    return log;
}

bool CsvLog::row(double convertedS, double fetchedS, const int32_t* values)
{
    // Milliseconds are too coarse for a 9 ms period: tenths of them.
    QByteArray line = QByteArray::number(convertedS, 'f', 4) + ',' +
                      QByteArray::number(fetchedS, 'f', 4) + ',' + QByteArray::number(rows_++);
    for (int i = 0; i < columns_; ++i)
        line += ',' + QByteArray::number(values[i]);
    return file_.write(line + '\n');
}

bool CsvLog::close()
{
    return file_.close();
}

} // namespace cv
