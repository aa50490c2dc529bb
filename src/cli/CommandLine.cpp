#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

// Our part of the arguments (the program first): Qt's window options left out.
// Nothing when an embedding switch leaves the whole command line to the window.
std::optional<QStringList> OwnArguments(const QStringList& arguments) {
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
  return ours;
}

// The switches of the headless commands and the parser that reads them.
struct Switches {
  Switches() {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({help, version, query, refresh, list, all, master, protocol, rcon, json});
  }
  bool IsSet(const QCommandLineOption& option) const { return parser.isSet(option); }
  int Commands() const {
    return int(IsSet(query)) + int(IsSet(refresh)) + int(IsSet(master)) + int(IsSet(rcon));
  }

  QCommandLineParser parser;
  const QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
  const QCommandLineOption version{QStringLiteral("version")};
  const QCommandLineOption query{QStringLiteral("query")};
  const QCommandLineOption refresh{QStringLiteral("refresh")};
  const QCommandLineOption list{QStringLiteral("list"), QString(), QStringLiteral("FILE")};
  const QCommandLineOption all{QStringLiteral("all")};
  const QCommandLineOption master{QStringLiteral("master")};
  const QCommandLineOption protocol{QStringLiteral("protocol"), QString(), QStringLiteral("N")};
  const QCommandLineOption rcon{QStringLiteral("rcon")};
  const QCommandLineOption json{QStringLiteral("json")};
};

// What is wrong with the switches taken together; empty when nothing is.
std::string SwitchesProblem(const Switches& s) {
  const int commands = s.Commands();
  if (commands > 1) return "use one of --query, --refresh, --master and --rcon";
  if ((s.IsSet(s.list) || s.IsSet(s.all)) && !s.IsSet(s.refresh))
    return "--list and --all go with --refresh";
  if (s.IsSet(s.protocol) && !s.IsSet(s.master)) return "--protocol goes with --master";
  if (s.IsSet(s.json) && (commands == 0 || s.IsSet(s.rcon)))
    return "--json goes with --query, --refresh or --master";
  return {};
}

// A command's arguments: the addresses (or the rcon address and command words)
// and the protocols of --protocol.
struct CommandArguments {
  std::vector<std::string> positional;
  std::vector<std::string> protocols;
};

CommandArguments ReadCommandArguments(const Switches& s) {
  CommandArguments args;
  for (const QString& arg : s.parser.positionalArguments()) args.positional.push_back(Bytes(arg));
  for (const QString& number : s.parser.value(s.protocol).split(QLatin1Char(',')))
    if (s.IsSet(s.protocol)) args.protocols.push_back(Bytes(number));
  return args;
}

// What is wrong with the command's arguments; empty when nothing is.
std::string ArgumentsProblem(const Switches& s, const CommandArguments& args) {
  if (s.IsSet(s.query) && args.positional.empty())
    return "--query needs at least one server address";
  if (s.IsSet(s.refresh) && !args.positional.empty()) return "--refresh takes no address";
  if (s.IsSet(s.rcon) && args.positional.empty())
    return "--rcon needs a server address and a command";
  for (const std::string& number : args.protocols)
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
      return "--protocol needs numbers, separated by commas";
  return {};
}

// The rcon password from the environment, else typed at the terminal.
std::optional<std::string> RconPassword() {
  if (const char* env = std::getenv("VYKFIND_RCON_PASSWORD")) return std::string(env);
  return ReadHiddenLine("Rcon password: ");
}

int RunCommand(const Switches& s, const CommandArguments& args, const std::string& password,
               CommandOutput& io, std::chrono::milliseconds firstWait,
               const MasterWaits& masterWaits) {
  // Loading writes every default into Config.ini. Without one, the window's
  // next start is a first run that asks for the options: a switch run before
  // it keeps the defaults in memory and writes no Config.ini at all.
  std::optional<ConfigWritesOff> firstRun;
  if (!ConfigFileExists()) firstRun.emplace();
  Settings settings;
  LoadSettings(settings);
  const bool wantJson = s.IsSet(s.json);
  const std::vector<std::string>& positional = args.positional;
  if (s.IsSet(s.query)) return QueryServers(positional, settings, wantJson, io, firstWait);
  if (s.IsSet(s.refresh))
    return RefreshServers(settings, Bytes(s.parser.value(s.list)), s.IsSet(s.all), wantJson, io,
                          firstWait);
  if (s.IsSet(s.master))
    return ListMasterServers(settings, positional, args.protocols, wantJson, io, masterWaits);
  std::string command;
  for (std::size_t i = 1; i < positional.size(); ++i) {
    if (i > 1) command += ' ';
    command += positional[i];
  }
  return SendRemoteCommand(positional.front(), password, command, io, firstWait);
}

}  // namespace

std::optional<int> RunCommandLine(const QStringList& arguments, std::ostream& out,
                                  std::ostream& err, bool errIsTerminal,
                                  std::chrono::milliseconds firstWait,
                                  const MasterWaits& masterWaits) {
  const std::optional<QStringList> ours = OwnArguments(arguments);
  if (!ours) return std::nullopt;
  Switches s;
  if (!s.parser.parse(*ours)) return UsageError(err, Bytes(s.parser.errorText()));

  if (s.IsSet(s.help)) {
    out << kHelp << std::flush;
    return 0;
  }
  if (s.IsSet(s.version)) {
    out << VersionBanner(false) << "\n" << std::flush;
    return 0;
  }
  if (std::string problem = SwitchesProblem(s); !problem.empty()) return UsageError(err, problem);
  if (s.Commands() == 0) return std::nullopt;

  const CommandArguments args = ReadCommandArguments(s);
  if (std::string problem = ArgumentsProblem(s, args); !problem.empty())
    return UsageError(err, problem);

  std::string password;
  if (s.IsSet(s.rcon)) {
    std::optional<std::string> given = RconPassword();
    if (!given) {
      err << "vykfind: no rcon password: set VYKFIND_RCON_PASSWORD\n";
      return 2;
    }
    password = std::move(*given);
  }
  CommandOutput io{out, err, errIsTerminal};
  return RunCommand(s, args, password, io, firstWait, masterWaits);
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
