#include "dropped_file.h"

#include <QByteArray>
#include <QMimeData>

std::optional<std::string> droppedFile(const QMimeData* data) {
  QList<QByteArray> uris;
  for (const QByteArray& line : data->data(QStringLiteral("text/uri-list")).split('\n')) {
    const QByteArray uri = line.trimmed();
    if (!uri.isEmpty() && !uri.startsWith('#')) uris << uri;
  }
  if (uris.size() != 1) return std::nullopt;
  // file:///path or file://localhost/path; another host is not local.
  QByteArray rest = uris[0];
  if (!rest.startsWith("file://")) return std::nullopt;
  rest.remove(0, 7);
  if (rest.startsWith("localhost/")) rest.remove(0, 9);
  if (!rest.startsWith('/')) return std::nullopt;
  return QByteArray::fromPercentEncoding(rest).toStdString();
}
