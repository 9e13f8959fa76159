#pragma once
// The command line's log of a stream (`--csv`): a comment block saying what
// produced it, a header line, then one row per set kept: the time the chip
// converted it and the time it was fetched, in seconds since the stream
// started, and its number. Every write is checked.

#include "platform/OpenFiles.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace cv {

// "# 0xADDR=0xVALUE" for each register, read from the chip in runs of
// consecutive addresses.
QStringList registerCommentLines(const std::vector<int16_t>& addresses);

// What a stream command is asked to log: the path (empty: no log) and the
// comment lines that say what produced it (version, board, date).
struct CsvRequest {
    QString path;
    QStringList origin;
};

class CsvLog {
public:
    // Writes the comment lines (each given without its "# "), then
    // "t_s,fetch_s,set," and the columns. Null when the file cannot be written.
    static std::unique_ptr<CsvLog> create(const QString& path, const QStringList& comments,
                                          const QStringList& columns);
    // One row with its conversion and fetch times; false when the write failed.
    bool row(double convertedS, double fetchedS, const int32_t* values);
    bool close();

private:
    explicit CsvLog(const QString& path) : file_(path) {}
    TrackedFile file_;
    int columns_ = 0;
    int64_t rows_ = 0;
};

} // namespace cv
