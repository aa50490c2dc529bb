// Until the main window exists the program loads the settings and the server
// list and prints them.
#include <cstdio>

#include "config/Settings.h"
#include "platform/ProgramDirectory.h"
#if VYK_HAVE_UI
#include "ui/CommandLine.h"
#endif

int main(int argc, char** argv) {
#if VYK_HAVE_UI
  // Switches run without a window and end the program.
  if (auto code = vyk::RunCommandLine(argc, argv)) return *code;
#endif
  vyk::Settings settings;
  settings.Load();
  std::printf("Program directory: %s\n", vyk::ProgramDirectory().c_str());
  std::printf("Server list: %s\n", settings.serverListPath.c_str());
  return 0;
}
