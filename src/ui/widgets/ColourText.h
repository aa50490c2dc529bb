#pragma once
#include <QColor>
#include <QFile>
#include <QRect>
#include <QString>
#include <string>

#include "config/Settings.h"

class QPainter;

namespace vyk {

inline QColor ToQColor(Color c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}
// Game texts are 8-bit; they are decoded as Latin-1 only when shown.
inline QString FromGameText(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToGameText(const QString& s) {
  return s.toLatin1().toStdString();
}
// Paths are the file system's own bytes, never game text: a name with letters beyond
// Latin-1 must come back as the same file.
inline QString FromFileName(const std::string& s) {
  return QFile::decodeName(QByteArray(s.data(), static_cast<qsizetype>(s.size())));
}
inline std::string ToFileName(const QString& s) {
  return QFile::encodeName(s).toStdString();
}

// Draws text with its colour codes and dot markers from the rectangle's top-left corner,
// clipped to it, one character at a time in the painter's font. The rectangle's left edge
// is advanced by every character drawn, so callers pass a scratch copy. The painter's pen
// and clip are as before afterwards; the background is the caller's.
void DrawColourText(QPainter& painter, QRect& rect, const std::string& text);

}  // namespace vyk
