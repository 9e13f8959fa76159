#include "link/FileUtils.h"

#include <QDir>
#include <QFileInfo>

namespace cv {

namespace {
void searchIn(const QString& folder, bool direct, HexSearch& result)
{
    QDir dir(folder);
    // Sorted by name so the "first" match does not depend on the file system.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDir::Name | QDir::DirsLast);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) {
            if (!e.isSymLink())
                searchIn(e.absoluteFilePath(), false, result);
            continue;
        }
        if (!e.fileName().endsWith(QLatin1String(".hex"), Qt::CaseInsensitive))
            continue;
        ++result.count;
        if (direct && result.firstDirectName.isEmpty())
            result.firstDirectName = e.fileName();
    }
}
} // namespace

HexSearch findHexFiles(const QString& folder)
{
    HexSearch r;
    searchIn(folder, true, r);
    return r;
}

} // namespace cv
