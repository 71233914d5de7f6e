#include "subcommand.h"

#include <algorithm>
#include <cstdio>

namespace tq540ctl {

namespace {

std::vector<Subcommand> &registry()
{
    static std::vector<Subcommand> commands;
    return commands;
}

// The command being run, for the help line after a mistake.
QString running;

bool isHelp(const QString &argument)
{
    return argument == u"--help" || argument == u"-h" || argument == u"help";
}

void printList(QTextStream &stream)
{
    stream << "Usage: tq540ctl COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const Subcommand &command : subcommands())
        stream << "  " << (command.name + u' ' + command.usage).leftJustified(36) << ' '
               << command.summary << '\n';
    stream << "\nOptions:\n"
              "  -h, --help   Show this list; 'tq540ctl COMMAND --help' describes one command.\n"
              "  --version    Show the version.\n"
              "\nExample:\n"
              "  tq540ctl test --port /dev/ttyUSB0 --sn 1\n";
    stream.flush();
}

void printCommand(const Subcommand &command)
{
    out() << "Usage: tq540ctl " << command.name << ' ' << command.usage << '\n'
          << command.summary << '\n';
    if (!command.about.isEmpty())
        out() << '\n' << command.about << '\n';
    out() << "\nOptions:\n" << command.options << "  -h, --help    Show this help.\n";
    if (!command.notes.isEmpty())
        out() << '\n' << command.notes << '\n';
    out() << "\nExample:\n" << command.example << '\n';
    out().flush();
}

} // namespace

bool addSubcommand(Subcommand command)
{
    registry().push_back(std::move(command));
    return true;
}

std::vector<Subcommand> subcommands()
{
    std::vector<Subcommand> sorted = registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const Subcommand &a, const Subcommand &b) { return a.name < b.name; });
    return sorted;
}

int dispatch(const QStringList &arguments)
{
    if (arguments.isEmpty()) {
        printList(err());
        return exitUsage;
    }
    if (isHelp(arguments.first())) {
        printList(out());
        return exitOk;
    }
    if (arguments.first() == u"--version") {
        out() << "tq540ctl " << TQ_VERSION << '\n';
        out().flush();
        return exitOk;
    }
    const auto &commands = registry();
    const auto command = std::find_if(commands.begin(), commands.end(), [&](const Subcommand &c) {
        return c.name == arguments.first();
    });
    if (command == commands.end())
        return usageError(diagnostic::unknownCommand(arguments.first()));
    const QStringList rest = arguments.mid(1);
    if (rest.contains(u"--help") || rest.contains(u"-h")) {
        printCommand(*command);
        return exitOk;
    }
    running = command->name;
    return command->run(rest);
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(int status, const diagnostic::Problem &problem)
{
    err() << diagnostic::line(problem) << '\n';
    err().flush();
    return status;
}

int usageError(const diagnostic::Problem &problem)
{
    err() << diagnostic::line(problem) << '\n' << diagnostic::tryHelp(running) << '\n';
    err().flush();
    return exitUsage;
}

} // namespace tq540ctl
