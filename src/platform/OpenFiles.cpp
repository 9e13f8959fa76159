#include "platform/OpenFiles.h"

#include <algorithm>
#include <vector>

namespace cv {

namespace {
std::vector<TrackedFile*>& registry()
{
    static std::vector<TrackedFile*> files;
    return files;
}
} // namespace

TrackedFile::TrackedFile(const QString& path) : file_(path) {}

TrackedFile::~TrackedFile()
{
    close();
}

bool TrackedFile::open(QIODevice::OpenMode mode)
{
    if (!file_.open(mode))
        return false;
    registry().push_back(this);
    return true;
}

bool TrackedFile::write(const QByteArray& bytes)
{
    return file_.write(bytes) == bytes.size();
}

bool TrackedFile::flush()
{
    return file_.flush();
}

void TrackedFile::close()
{
    if (!file_.isOpen())
        return;
    file_.flush();
    file_.close();
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

void closeAllTrackedFiles()
{
    // close() edits the registry, so work on a copy.
    const auto files = registry();
    for (TrackedFile* f : files)
        f->close();
}

int trackedFileCount()
{
    return static_cast<int>(registry().size());
}

} // namespace cv
