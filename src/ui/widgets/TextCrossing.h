#pragma once
// What crosses between the logic's texts and colours and Qt's: game texts as
// Latin-1, file names as the file system's bytes, colours as QColor.
#include <QColor>
#include <QFile>
#include <QString>
#include <string>

#include "core/Settings.h"

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
}  // namespace vyk
