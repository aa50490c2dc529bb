#include "ui/FinderApp.h"

#include <QFile>

#include "core/FrameworkSwitch.h"
#include "launch/GameStarter.h"
#include "ui/AppIcon.h"
#include "ui/FirstRun.h"
#include "ui/MainDialog.h"
#include "ui/dialogs/DemoPicker.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/Resources.h"
#include "ui/widgets/SplashWindow.h"

namespace vyk {

FinderApp::FinderApp(int& argc, char** argv) : QApplication(argc, argv) {
  InitResources();
  setApplicationName(QStringLiteral("vykfind"));
  setWindowIcon(AppIcon());
}

FinderApp::~FinderApp() = default;

bool FinderApp::ParseArguments(const QStringList& args, std::string* fileName) {
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    // Started for embedding or automation: there is nothing to show.
    if (IsFrameworkSwitch(arg.toStdString())) return false;
    // Other switches are for Qt or the headless commands; any other "/..." is a file name.
    if (arg.startsWith(QLatin1Char('-'))) continue;
    // File names stay in the bytes the file system knows them by.
    if (fileName->empty()) *fileName = QFile::encodeName(arg).toStdString();
  }
  return true;
}

bool FinderApp::RunFirstRunOptions() {
  return RunFirstRunIfNeeded(settings_);
}

void FinderApp::PlayDemoFile(const std::string& fileName) {
  // No window exists yet: the message box has no owner.
  CurrentPrompts().Report(nullptr, PlayDemoArgument(settings_, fileName, SystemGameStarter()));
}

int FinderApp::Run() {
  if (!ParseArguments(arguments(), &fileName_)) return 0;
  EnableSplash(true);
  if (!ConfigFileExists() && !RunFirstRunOptions()) return 0;
  LoadSettings(settings_);
  if (IsDemoArgument(fileName_)) {
    PlayDemoFile(fileName_);
    return 0;
  }
  // A dial-up offer has no counterpart here, with or without localOnly.
  MainDialog dialog(settings_);
  dialog.exec();
  return 0;
}

}  // namespace vyk
