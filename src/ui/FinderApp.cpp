#include "ui/FinderApp.h"

#include <QMessageBox>
#include <algorithm>
#include <cctype>

#include "core/StatusLine.h"
#include "launch/DemoPlayback.h"
#include "launch/GameStarter.h"
#include "ui/AppIcon.h"
#include "ui/FirstRun.h"
#include "ui/MainDialog.h"
#include "ui/widgets/ColourText.h"
#include "ui/widgets/Resources.h"
#include "ui/widgets/SplashWindow.h"

namespace vyk {

namespace {

// Messages of start-up before any window exists: boxes without owner.
class OwnerlessMessages : public StatusSink {
 public:
  std::string StatusText() override { return "Ready"; }
  void SetStatusText(const std::string&) override {}
  void ShowError(const std::string& text) override {
    QMessageBox::information(nullptr, QStringLiteral("Error"), FromGameText(text));
  }
};

}  // namespace

FinderApp::FinderApp(int& argc, char** argv) : QApplication(argc, argv) {
  InitResources();
  setApplicationName(QStringLiteral("vykfind"));
  setWindowIcon(AppIcon());
}

FinderApp::~FinderApp() = default;

bool FinderApp::IsDemoFile(const std::string& fileName) {
  std::string lower = fileName;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(".dm_") != std::string::npos;
}

bool FinderApp::ParseCommandLine() {
  const QStringList args = arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg.startsWith(QLatin1Char('-')) || arg.startsWith(QLatin1Char('/'))) {
      const QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
      // Started for embedding or automation: there is nothing to show.
      if (name.compare(QStringLiteral("Embedding"), Qt::CaseInsensitive) == 0 ||
          name.compare(QStringLiteral("Automation"), Qt::CaseInsensitive) == 0)
        return false;
      continue;
    }
    if (fileName_.empty()) fileName_ = ToGameText(arg);
  }
  return true;
}

bool FinderApp::RunFirstRunOptions() {
  return RunFirstRunIfNeeded(settings_);
}

void FinderApp::PlayDemoFile(const std::string& fileName) {
  OwnerlessMessages messages;
  InstallStatusSink(&messages);
  PlayDemo(settings_.gamePath, fileName, SystemGameStarter());
  InstallStatusSink(nullptr);
}

int FinderApp::Run() {
  if (!ParseCommandLine()) return 0;
  EnableSplash(true);
  if (!ConfigFileExists() && !RunFirstRunOptions()) return 0;
  settings_.Load();
  if (IsDemoFile(fileName_)) {
    PlayDemoFile(fileName_);
    return 0;
  }
  // A dial-up offer has no counterpart here, with or without localOnly.
  MainDialog dialog(settings_);
  dialog.exec();
  return 0;
}

}  // namespace vyk
