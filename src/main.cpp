// Until the main window exists the program loads the settings and the server
// list and prints them.
#include <cstdio>

#include "config/Settings.h"
#include "platform/ProgramDirectory.h"

int main() {
  vyk::Settings settings;
  settings.Load();
  std::printf("Program directory: %s\n", vyk::ProgramDirectory().c_str());
  std::printf("Server list: %s\n", settings.serverListPath.c_str());
  return 0;
}
