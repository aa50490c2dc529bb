#include "ui/CountryFlags.h"

#include <QHash>
#include <QString>

namespace vyk {
namespace {

constexpr const char* kFlagFolder = "/usr/share/flags/countries/16x11/";

}  // namespace

QPixmap CountryFlag(const std::string& code) {
  static QHash<QString, QPixmap> flags;  // the window's thread only
  if (code.size() != 2) return {};
  const QString name = QString::fromLatin1(code.data(), 2).toLower();
  auto known = flags.constFind(name);
  if (known != flags.constEnd()) return *known;
  QPixmap flag;
  flag.load(QString::fromLatin1(kFlagFolder) + name + QStringLiteral(".png"));
  flags.insert(name, flag);
  return flag;
}

}  // namespace vyk
