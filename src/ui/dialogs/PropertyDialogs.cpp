#include "ui/dialogs/PropertyDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QMessageBox>
#include <QStringList>

#include "config/PropertyRows.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

QString FileDialogFilter(const std::string& filter) {
  QStringList entries;
  for (const auto& [description, pattern] : SplitFileFilter(filter)) {
    QString desc = FromGameText(description).trimmed();
    // Patterns are separated by ";" in the filter and by blanks in the dialog.
    QString patterns = FromGameText(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
    // "*.*" only matches names with a dot here; every file is meant.
    if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
    entries << QStringLiteral("%1 (%2)").arg(desc, patterns);
  }
  return entries.join(QStringLiteral(";;"));
}

QFont ToQFont(const PropertyFont& f) {
  QFont font(FromGameText(f.faceName), f.pointSize > 0 ? f.pointSize : 8);
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strikeOut);
  return font;
}

PropertyFont FromQFont(const QFont& font) {
  PropertyFont f;
  f.faceName = ToGameText(font.family());
  f.pointSize = font.pointSize() > 0 ? font.pointSize() : 8;
  f.weight = font.weight() >= QFont::DemiBold ? 700 : 400;
  f.italic = font.italic();
  f.underline = font.underline();
  f.strikeOut = font.strikeOut();
  return f;
}

PropertyDialogs PropertyDialogs::Standard() {
  PropertyDialogs d;
  d.chooseColour = [](QWidget* owner, Color& colour) {
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), owner);
    if (!chosen.isValid()) return false;
    colour = MakeColor(chosen.red(), chosen.green(), chosen.blue());
    return true;
  };
  d.chooseFont = [](QWidget* owner, PropertyFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), owner);
    if (ok) font = FromQFont(chosen);
    return ok;
  };
  d.chooseFile = [](QWidget* owner, bool open, const std::string& filter, std::string& path) {
    QFileDialog dialog(owner, QString(), QString(), FileDialogFilter(filter));
    // Either form takes a name that does not exist yet: a server or buddy file can be
    // named before it is first written. Qt's own dialog, as the platform's open form
    // would insist on an existing file.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!path.empty()) dialog.selectFile(FromFileName(path));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = ToFileName(dialog.selectedFiles().first());
    return true;
  };
  d.warn = [](QWidget* owner, const std::string& text, const std::string& caption) {
    QMessageBox::warning(owner, FromGameText(caption), FromGameText(text));
  };
  return d;
}

}  // namespace vyk
