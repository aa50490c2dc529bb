#include "ui/dialogs/DialogPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/BusyScope.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

// Pattern matching ignores letter case: demos come as *.DM_68 and *.dm_68 alike.
QFileDialog* NewFileDialog(QWidget* owner, const std::string& directory, const std::string& filter,
                           const std::string& suffix) {
  auto* dialog = new QFileDialog(owner);
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog->setDirectory(FromFileName(directory));
  dialog->setNameFilters(NameFilters(filter));
  dialog->setDefaultSuffix(FromGameText(suffix));
  dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
  return dialog;
}

namespace {

std::string RunFileDialog(QFileDialog* dialog) {
  std::string chosen;
  if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
    chosen = ToFileName(dialog->selectedFiles().first());
  delete dialog;
  return chosen;
}

class QtPrompts : public DialogPrompts {
 public:
  Answer AskYesNoCancel(QWidget* owner, const std::string& text) override {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppName), FromGameText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
      case QMessageBox::Yes:
        return Answer::kYes;
      case QMessageBox::No:
        return Answer::kNo;
      default:
        return Answer::kCancel;
    }
  }

  void Tell(QWidget* owner, const std::string& text) override {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppName), FromGameText(text),
                    QMessageBox::Ok, owner);
    box.exec();
  }

  void ShowError(QWidget* owner, const std::string& text) override {
    // Errors are fixed words and file paths: shown as the file system names things.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Error"), FromFileName(text),
                    QMessageBox::Ok, owner);
    const ArrowCursor arrow;
    box.exec();
  }

  std::string SaveFileName(QWidget* owner, const std::string& directory, const std::string& filter,
                           const std::string& suffix) override {
    QFileDialog* dialog = NewFileDialog(owner, directory, filter, suffix);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    return RunFileDialog(dialog);
  }

  std::string OpenFileName(QWidget* owner, const std::string& directory, const std::string& filter,
                           const std::string& suffix) override {
    QFileDialog* dialog = NewFileDialog(owner, directory, filter, suffix);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return RunFileDialog(dialog);
  }
};

}  // namespace

bool DialogPrompts::Report(QWidget* owner, const Outcome& outcome) {
  if (!outcome.Message().empty()) ShowError(owner, outcome.Message());
  return outcome.Ok();
}

DialogPrompts& SystemPrompts() {
  static QtPrompts prompts;
  return prompts;
}

namespace {
DialogPrompts* installed = nullptr;
}  // namespace

void InstallDialogPrompts(DialogPrompts* prompts) {
  installed = prompts;
}

DialogPrompts& CurrentPrompts() {
  return installed ? *installed : SystemPrompts();
}

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = FromGameText(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QStringLiteral("*.*")) p = QStringLiteral("*");
    }
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
  }
  return filters;
}

}  // namespace vyk
