#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <vector>

// The subcommands of tq540ctl. Each command's source file registers itself
// with addSubcommand at start-up, so a new command is one new file.
namespace tq540ctl {

constexpr int exitOk = 0;
constexpr int exitFailure = 1; // a file or device operation failed
constexpr int exitUsage = 2;   // bad arguments or bad input content

struct Subcommand
{
    QString name;
    QString usage;   // arguments after the name, e.g. "FILE.ztb [--json]"
    QString summary; // one line for the command list
    // Runs with the arguments after the name; returns the exit status.
    std::function<int(const QStringList &args)> run;
    // More text for 'tq540ctl NAME --help' (options, exit statuses); may be empty.
    QString details = {};
};

// Registers a command; returns true so it can initialise a static flag.
bool addSubcommand(Subcommand command);

// Registered commands, sorted by name.
std::vector<Subcommand> subcommands();

// Runs the command named by arguments[0] (the program name removed).
int dispatch(const QStringList &arguments);

QTextStream &out();
QTextStream &err();

// Writes "tq540ctl: <message>" to the error stream and returns `status`.
int fail(int status, const QString &message);

} // namespace tq540ctl
