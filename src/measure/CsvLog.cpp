#include "measure/CsvLog.h"

#include "link/UsbUtils.h"

namespace cv {

QStringList registerCommentLines(const std::vector<int16_t>& addresses)
{
    QStringList lines;
    for (size_t i = 0; i < addresses.size();) {
        size_t n = 1;
        while (i + n < addresses.size() && n < kMaxReadCount &&
               addresses[i + n] == addresses[i] + int16_t(n))
            ++n;
        int16_t status = 0;
        int32_t v[kMaxReadCount] = {};
        ReadRegisters(addresses[i], int32_t(n), TargetChip, 0, status, v);
        for (size_t k = 0; k < n; ++k)
            lines << QStringLiteral("0x%1=0x%2")
                         .arg(addresses[i] + int(k), 3, 16, QLatin1Char('0'))
                         .arg(v[k] & 0xFFFF, 4, 16, QLatin1Char('0'))
                         .toUpper()
                         .replace(QLatin1String("0X"), QLatin1String("0x"));
        i += n;
    }
    return lines;
}

std::unique_ptr<CsvLog> CsvLog::create(const QString& path, const QStringList& comments,
                                       const QStringList& columns, QString* error)
{
    std::unique_ptr<CsvLog> log(new CsvLog(path));
    log->columns_ = int(columns.size());
    QByteArray head;
    for (const QString& c : comments)
        head += "# " + c.toUtf8() + "\n";
    head += "t_s,set," + columns.join(QLatin1Char(',')).toUtf8() + "\n";
    if (!log->file_.open() || !log->file_.write(head)) {
        if (error)
            *error = log->errorText();
        return nullptr;
    }
    return log;
}

bool CsvLog::row(int64_t us, const int32_t* values)
{
    if (firstUs_ < 0)
        firstUs_ = us;
    QByteArray line =
        QByteArray::number(double(us - firstUs_) / 1e6, 'f', 3) + ',' + QByteArray::number(rows_++);
    for (int i = 0; i < columns_; ++i)
        line += ',' + QByteArray::number(values[i]);
    return file_.write(line + '\n');
}

bool CsvLog::close()
{
    return file_.close();
}

} // namespace cv
