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
    stream << "\nRun 'tq540ctl COMMAND --help' for one command.\n";
    stream.flush();
}

void printCommand(const Subcommand &command)
{
    out() << "Usage: tq540ctl " << command.name << ' ' << command.usage << "\n"
          << command.summary << '\n';
    if (!command.details.isEmpty())
        out() << '\n' << command.details << '\n';
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
    const auto &commands = registry();
    const auto command = std::find_if(commands.begin(), commands.end(), [&](const Subcommand &c) {
        return c.name == arguments.first();
    });
    if (command == commands.end())
        return fail(
            exitUsage,
            QStringLiteral("unknown command '%1' (see tq540ctl --help)").arg(arguments.first()));
    const QStringList rest = arguments.mid(1);
    if (rest.contains(u"--help") || rest.contains(u"-h")) {
        printCommand(*command);
        return exitOk;
    }
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

int fail(int status, const QString &message)
{
    err() << "tq540ctl: " << message << '\n';
    err().flush();
    return status;
}

} // namespace tq540ctl
