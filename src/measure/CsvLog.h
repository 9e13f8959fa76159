#pragma once
// The command line's log of a stream (`--csv`): one header line, then one
// row per set kept: the time the chip converted it and the time it was
// fetched, in seconds since the stream started, and its number, so that any CSV reader takes it without options. What produced it
// (program, board, firmware, date, registers, columns and their units)
// goes to a stamp beside it, FILE.json, written before the log is begun.
// Every write is checked.

#include "platform/OpenFiles.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace cv {

// {"0x000": "0x02B0", ...} for each register, read from the chip in runs of
// consecutive addresses.
QJsonObject registerStamp(const std::vector<int16_t>& addresses);

// One value column of the log: its header name and its unit in the stamp.
struct CsvColumn {
    QString name;
    QString unit;
};

// What a stream command is asked to log: the path (empty: no log) and what
// produced it (program, version, board, firmware, date), for the stamp.
struct CsvRequest {
    QString path;
    QJsonObject origin;
};

// The stamp's path beside a log.
inline QString csvStampPath(const QString& csvPath)
{
    return csvPath + QStringLiteral(".json");
}

class CsvLog {
public:
    // Writes the stamp (`origin`, then "registers" and "columns"), then
    // begins the log with "t_s,fetch_s,set," and the column names. Null when either
    // file cannot be written; `error` then says which and why.
    static std::unique_ptr<CsvLog> create(const QString& path, QJsonObject origin,
                                          const QJsonObject& registers,
                                          const QList<CsvColumn>& columns,
                                          QString* error = nullptr);
    // One row with the time the chip converted the set and the time it was
    // fetched, both in seconds since the stream started; false when the
    // write failed.
    bool row(double convertedS, double fetchedS, const int32_t* values);
    bool close();
    // "FILE: reason" once a write failed, else empty.
    QString errorText() const { return file_.errorText(); }

private:
    explicit CsvLog(const QString& path) : file_(path) {}
    TrackedFile file_;
    int columns_ = 0;
    int64_t rows_ = 0;
};

} // namespace cv
