#pragma once
#include <QString>

namespace cv {

struct HexSearch {
    int count = 0;           // every "*.hex" below the folder, subfolders included
    QString firstDirectName; // name of the first match lying directly in the folder
};

// Searches a folder and, recursively, its subfolders for files matching "*.hex".
HexSearch findHexFiles(const QString& folder);

} // namespace cv
