#include "diagnostic.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <cstdio>

namespace diagnostic {

namespace {

void writeLines(const QString &lines)
{
    QTextStream err(stderr);
    err << lines << '\n';
    err.flush();
}

} // namespace

QString text(const Problem &problem)
{
    QString joined;
    for (const QString &part : {problem.subject, problem.what, problem.reason}) {
        if (part.isEmpty())
            continue;
        if (!joined.isEmpty())
            joined += QStringLiteral(": ");
        joined += part;
    }
    return joined;
}

QString line(const Problem &problem)
{
    return QCoreApplication::applicationName() + QStringLiteral(": ") + text(problem);
}

QString tryHelp(const QString &command)
{
    QString program = QCoreApplication::applicationName();
    if (!command.isEmpty())
        program += u' ' + command;
    return QStringLiteral("Try '%1 --help'.").arg(program);
}

void write(const Problem &problem)
{
    writeLines(line(problem));
}

void writeUsage(const Problem &problem, const QString &command)
{
    writeLines(line(problem) + u'\n' + tryHelp(command));
}

Problem unknownCommand(const QString &word)
{
    return {word, QStringLiteral("unknown command"), {}};
}

Problem unknownOption(const QString &option)
{
    return {option, QStringLiteral("unknown option"), {}};
}

Problem unexpectedArgument(const QString &argument)
{
    return {argument, QStringLiteral("unexpected argument"), {}};
}

Problem missingValue(const QString &option)
{
    return {option, QStringLiteral("needs a value"), {}};
}

Problem givenTwice(const QString &option)
{
    return {option, QStringLiteral("given twice"), {}};
}

Problem takesNoValue(const QString &option)
{
    return {option, QStringLiteral("takes no value"), {}};
}

Problem notWith(const QString &option, const QString &other)
{
    return {option, QStringLiteral("cannot be used with ") + other, {}};
}

Problem required(const QString &argument)
{
    return {argument, QStringLiteral("required"), {}};
}

Problem badValue(const QString &option, const QString &value, const QString &expected)
{
    // An empty value is shown, so the subject never ends in a blank.
    const QString shown = value.isEmpty() ? QStringLiteral("''") : value;
    return {option + u' ' + shown, QStringLiteral("not ") + expected, {}};
}

Problem cannotRead(const QString &path, const QString &role, const QString &reason)
{
    return {path, QStringLiteral("cannot read the ") + role, reason};
}

Problem cannotWrite(const QString &path, const QString &role, const QString &reason)
{
    return {path, QStringLiteral("cannot write the ") + role, reason};
}

QString openReason(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return {};
    return file.errorString();
}

Problem languageLibraryNotLoaded(const QString &path)
{
    QString reason = openReason(path);
    if (reason.isEmpty())
        reason = QStringLiteral("not a language library");
    return {QDir::toNativeSeparators(path), QStringLiteral("cannot load the language library"),
            reason};
}

} // namespace diagnostic
