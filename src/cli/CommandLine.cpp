#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "cli/HeadlessCommands.h"
#include "config/ConfigFile.h"
#include "config/SummaryLine.h"
#include "core/FrameworkSwitch.h"
#include "platform/Terminal.h"

namespace vyk {
namespace {

constexpr const char* kHelp =
    "Usage: vykfind [FILE]\n"
    "       vykfind --query ADDRESS... [--json]\n"
    "       vykfind --refresh [--list FILE] [--all] [--json]\n"
    "       vykfind --master [ADDRESS...] [--protocol N[,N...]] [--json]\n"
    "       vykfind --rcon ADDRESS COMMAND...\n"
    "\n"
    "Without a switch the window opens; a FILE whose name contains \".dm_\" is\n"
    "played as a demo.\n"
    "\n"
    "  --query        query each server once and print its one-line description;\n"
    "                 exit status 1 when a server did not answer\n"
    "  --refresh      refresh the server list and print the rows the window shows\n"
    "  --list FILE    refresh this server list file instead of the configured one\n"
    "  --all          print every server, not only those the filters let through\n"
    "  --master       print the addresses the master servers return, merged, one\n"
    "                 a line, and how many each gave (default: the configured\n"
    "                 masters and protocols); exit status 1 when none answered\n"
    "  --protocol N   the protocols to ask the masters for, e.g. 68,71\n"
    "  --rcon         send one remote-console command and print the answer; the\n"
    "                 password comes from VYKFIND_RCON_PASSWORD or is asked for\n"
    "  --json         print one JSON document instead of text\n"
    "  -h, --help     show this help\n"
    "  --version      show the version\n"
    "\n"
    "Files: Config.ini, cache.srv and the .vyk lists in $VYKFIND_HOME, else beside\n"
    "the program when its directory is writable, else in ~/.config/vykfind/.\n";

std::string Bytes(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

// Qt's own window options (-platform offscreen, -style fusion, ...) belong
// to the window start-up; they are left out of our parse. True when the
// option takes the next argument as its value.
bool IsWindowOption(const QString& arg, bool& takesValue) {
  static const QStringList withValue{QStringLiteral("platform"),
                                     QStringLiteral("platformpluginpath"),
                                     QStringLiteral("platformtheme"),
                                     QStringLiteral("plugin"),
                                     QStringLiteral("qwindowgeometry"),
                                     QStringLiteral("geometry"),
                                     QStringLiteral("qwindowtitle"),
                                     QStringLiteral("title"),
                                     QStringLiteral("qwindowicon"),
                                     QStringLiteral("icon"),
                                     QStringLiteral("display"),
                                     QStringLiteral("style"),
                                     QStringLiteral("stylesheet"),
                                     QStringLiteral("session"),
                                     QStringLiteral("name")};
  static const QStringList flags{QStringLiteral("reverse"), QStringLiteral("nograb"),
                                 QStringLiteral("dograb"), QStringLiteral("sync"),
                                 QStringLiteral("widgetcount")};
  if (!arg.startsWith(QLatin1Char('-'))) return false;
  QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
  const qsizetype equals = name.indexOf(QLatin1Char('='));
  if (equals >= 0) name.truncate(equals);
  takesValue = equals < 0 && withValue.contains(name);
  return withValue.contains(name) || flags.contains(name);
}

int UsageError(std::ostream& err, const std::string& text) {
  err << "vykfind: " << text << " (see vykfind --help)\n";
  return 2;
}

}  // namespace

std::optional<int> RunCommandLine(const QStringList& arguments, std::ostream& out,
                                  std::ostream& err, bool errIsTerminal,
                                  std::chrono::milliseconds firstWait,
                                  const MasterWaits& masterWaits) {
  QStringList ours{arguments.value(0)};
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    // Started for embedding or automation: the window start-up handles it.
    if (IsFrameworkSwitch(Bytes(arguments[i]))) return std::nullopt;
    bool takesValue = false;
    if (IsWindowOption(arguments[i], takesValue)) {
      if (takesValue) ++i;
      continue;
    }
    ours << arguments[i];
  }

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringLiteral("version"));
  const QCommandLineOption query(QStringLiteral("query"));
  const QCommandLineOption refresh(QStringLiteral("refresh"));
  const QCommandLineOption list(QStringLiteral("list"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption all(QStringLiteral("all"));
  const QCommandLineOption master(QStringLiteral("master"));
  const QCommandLineOption protocol(QStringLiteral("protocol"), QString(), QStringLiteral("N"));
  const QCommandLineOption rcon(QStringLiteral("rcon"));
  const QCommandLineOption json(QStringLiteral("json"));
  parser.addOptions({help, version, query, refresh, list, all, master, protocol, rcon, json});
  if (!parser.parse(ours)) return UsageError(err, Bytes(parser.errorText()));

  if (parser.isSet(help)) {
    out << kHelp << std::flush;
    return 0;
  }
  if (parser.isSet(version)) {
    out << VersionBanner(false) << "\n" << std::flush;
    return 0;
  }

  const int commands = int(parser.isSet(query)) + int(parser.isSet(refresh)) +
                       int(parser.isSet(master)) + int(parser.isSet(rcon));
  if (commands > 1) return UsageError(err, "use one of --query, --refresh, --master and --rcon");
  if ((parser.isSet(list) || parser.isSet(all)) && !parser.isSet(refresh))
    return UsageError(err, "--list and --all go with --refresh");
  if (parser.isSet(protocol) && !parser.isSet(master))
    return UsageError(err, "--protocol goes with --master");
  if (parser.isSet(json) && (commands == 0 || parser.isSet(rcon)))
    return UsageError(err, "--json goes with --query, --refresh or --master");
  if (commands == 0) return std::nullopt;

  std::vector<std::string> positional;
  for (const QString& arg : parser.positionalArguments()) positional.push_back(Bytes(arg));

  if (parser.isSet(query) && positional.empty())
    return UsageError(err, "--query needs at least one server address");
  if (parser.isSet(refresh) && !positional.empty())
    return UsageError(err, "--refresh takes no address");
  if (parser.isSet(rcon) && positional.empty())
    return UsageError(err, "--rcon needs a server address and a command");
  std::vector<std::string> protocols;
  for (const QString& number : parser.value(protocol).split(QLatin1Char(',')))
    if (parser.isSet(protocol)) protocols.push_back(Bytes(number));
  for (const std::string& number : protocols)
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
      return UsageError(err, "--protocol needs numbers, separated by commas");

  std::string password;
  if (parser.isSet(rcon)) {
    if (const char* env = std::getenv("VYKFIND_RCON_PASSWORD")) {
      password = env;
    } else if (auto typed = ReadHiddenLine("Rcon password: ")) {
      password = *typed;
    } else {
      err << "vykfind: no rcon password: set VYKFIND_RCON_PASSWORD\n";
      return 2;
    }
  }

  // Loading writes every default into Config.ini. Without one, the window's
  // next start is a first run that asks for the options: a switch run before
  // it keeps the defaults in memory and writes no Config.ini at all.
  std::optional<ConfigWritesOff> firstRun;
  if (!ConfigFileExists()) firstRun.emplace();
  Settings settings;
  LoadSettings(settings);
  CommandOutput io{out, err, errIsTerminal};
  const bool wantJson = parser.isSet(json);
  int code = 0;
  if (parser.isSet(query)) {
    code = QueryServers(positional, settings, wantJson, io, firstWait);
  } else if (parser.isSet(refresh)) {
    code = RefreshServers(settings, Bytes(parser.value(list)), parser.isSet(all), wantJson, io,
                          firstWait);
  } else if (parser.isSet(master)) {
    code = ListMasterServers(settings, positional, protocols, wantJson, io, masterWaits);
  } else {
    std::string command;
    for (std::size_t i = 1; i < positional.size(); ++i) {
      if (i > 1) command += ' ';
      command += positional[i];
    }
    code = SendRemoteCommand(positional.front(), password, command, io, firstWait);
  }
  return code;
}

std::optional<int> RunCommandLine(int argc, char** argv) {
  // Only an argument that looks like a switch can be ours; a plain run or a
  // demo file goes straight to the window.
  bool anySwitch = false;
  for (int i = 1; i < argc; ++i) anySwitch = anySwitch || argv[i][0] == '-';
  if (!anySwitch) return std::nullopt;
  std::unique_ptr<QCoreApplication> app;
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
  return RunCommandLine(QCoreApplication::arguments(), std::cout, std::cerr,
                        StandardErrorIsTerminal());
}

}  // namespace vyk
