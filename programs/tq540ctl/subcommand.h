#pragma once

#include "diagnostic.h"

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
    // 'tq540ctl NAME --help' shows, after the usage and the summary:
    QString about = {};   // what the command does; may be empty
    QString options = {}; // under "Options:": "  --name      text\n" lines
    QString notes = {};   // how it behaves, the exit statuses
    QString example = {}; // under "Example:", command lines
};

// Registers a command; returns true so it can initialise a static flag.
bool addSubcommand(Subcommand command);

// Registered commands, sorted by name.
std::vector<Subcommand> subcommands();

// Runs the command named by arguments[0] (the program name removed):
// 'tq540ctl --help' lists the commands, 'tq540ctl --version' names the
// version, 'tq540ctl NAME --help' describes one.
int dispatch(const QStringList &arguments);

QTextStream &out();
QTextStream &err();

// Writes the message for `problem` in the one wording (diagnostic.h) to the
// error stream; returns `status`.
int fail(int status, const diagnostic::Problem &problem);

// A mistake in the running command's arguments: the message, then "Try
// 'tq540ctl NAME --help'."; returns exitUsage.
int usageError(const diagnostic::Problem &problem);

} // namespace tq540ctl
