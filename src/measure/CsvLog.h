#pragma once
// The command line's log of a stream (`--csv`): a comment block saying what
// produced it, a header line, then one row per set kept, with its time in
// seconds since the first set and its index. Every write is checked.

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
    // "t_s,set," and the columns. Null when the file cannot be written,
    // with `error` ("FILE: reason").
    static std::unique_ptr<CsvLog> create(const QString& path, const QStringList& comments,
                                          const QStringList& columns, QString* error);
    // One row at `us` of the program's clock; false when the write failed.
    bool row(int64_t us, const int32_t* values);
    bool close();
    // "FILE: reason" once a write failed, else empty.
    QString errorText() const { return file_.errorText(); }

private:
    explicit CsvLog(const QString& path) : file_(path) {}
    TrackedFile file_;
    int columns_ = 0;
    int64_t firstUs_ = -1;
    int64_t rows_ = 0;
};

} // namespace cv
