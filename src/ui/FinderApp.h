#pragma once
#include <QApplication>
#include <string>

#include "config/ConfigFile.h"

namespace vyk {

// The application: owns the settings for the whole run and takes the program from its
// command line to the main window (or to a demo, without any window).
class FinderApp : public QApplication {
  Q_OBJECT
 public:
  FinderApp(int& argc, char** argv);
  ~FinderApp() override;

  Settings& GetSettings() { return settings_; }
  // Runs start-up and the main window; the process exit code.
  int Run();

  // The first argument that is not a switch; empty when there is none.
  const std::string& FileName() const { return fileName_; }
  // Reads the arguments after the program name: false for the framework's
  // embedding or automation switch, else the first file name into *fileName.
  static bool ParseArguments(const QStringList& args, std::string* fileName);
  // Whether a file name asks for demo playback (".dm_" in any letter case).

 protected:
  // First run (no Config.ini yet): the Options dialog without owner. False ends the
  // program at once.
  virtual bool RunFirstRunOptions();
  // Plays the demo named on the command line.
  virtual void PlayDemoFile(const std::string& fileName);

 private:

  Settings settings_;
  std::string fileName_;
};

}  // namespace vyk
