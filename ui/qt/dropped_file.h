#pragma once

#include <optional>
#include <string>

class QMimeData;

// The path of the one local file in a drop, as bytes for the file system,
// if the drop is exactly that. Its text/uri-list is decoded here rather
// than through QUrl, which would lose a file name that is not UTF-8.
std::optional<std::string> droppedFile(const QMimeData* data);
