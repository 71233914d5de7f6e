#pragma once

#include "diagnostic.h"

#include <QString>
#include <QStringList>
#include <vector>

// How every command of tq540ctl reads its arguments, so that a mistake is
// caught and worded the same way in each (diagnostic.h).
namespace tq540ctl {

struct Argument
{
    QStringList names; // "--output", "-o"; empty: a positional argument
    // Where a value goes (an option that takes one, or a positional
    // argument); null for a flag.
    QString *value = nullptr;
    bool *flag = nullptr;
    // Non-empty for an argument that must be given, as the usage line writes
    // it ("--port P", "FILE.ztb"). Positional arguments always must.
    QString required = {};
};

// Reads `args`: an option's value is the next argument, even one that starts
// with "-" (--sn -1); flags may repeat but take no value ("--json=1"), options
// with a value may not repeat; other arguments fill the positional ones in
// order. The first mistake found, then the first required argument missing;
// an empty problem when there is none.
diagnostic::Problem readArguments(const QStringList &args, const std::vector<Argument> &accepted);

// The value after the option at args[i], moving i past it; a problem when it
// is missing or `value` was given already (is not null).
diagnostic::Problem takeValue(const QStringList &args, qsizetype &i, QString &value);

} // namespace tq540ctl
