#include "arguments.h"

#include <algorithm>

namespace tq540ctl {

namespace {

const Argument *optionNamed(const QString &word, const std::vector<Argument> &accepted)
{
    const auto found =
        std::find_if(accepted.begin(), accepted.end(),
                     [&](const Argument &argument) { return argument.names.contains(word); });
    return found == accepted.end() ? nullptr : &*found;
}

// The next positional argument without a value yet.
const Argument *nextPositional(const std::vector<Argument> &accepted)
{
    const auto found = std::find_if(accepted.begin(), accepted.end(), [](const Argument &argument) {
        return argument.names.isEmpty() && argument.value->isNull();
    });
    return found == accepted.end() ? nullptr : &*found;
}

// "--json=1": a flag written with a value, which it cannot take.
bool isFlagWithValue(const QString &word, const std::vector<Argument> &accepted)
{
    const Argument *option = optionNamed(word.section(u'=', 0, 0), accepted);
    return word.contains(u'=') && option && option->flag;
}

diagnostic::Problem missingRequired(const std::vector<Argument> &accepted)
{
    for (const Argument &argument : accepted) {
        if (argument.value && argument.value->isEmpty() && !argument.required.isEmpty())
            return diagnostic::required(argument.required);
    }
    return {};
}

} // namespace

diagnostic::Problem takeValue(const QStringList &args, qsizetype &i, QString &value)
{
    const QString option = args[i];
    if (i + 1 >= args.size())
        return diagnostic::missingValue(option);
    if (!value.isNull())
        return diagnostic::givenTwice(option);
    value = args[++i];
    return {};
}

diagnostic::Problem readArguments(const QStringList &args, const std::vector<Argument> &accepted)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &word = args[i];
        if (const Argument *option = optionNamed(word, accepted)) {
            if (option->flag)
                *option->flag = true;
            else if (diagnostic::Problem problem = takeValue(args, i, *option->value))
                return problem;
        } else if (isFlagWithValue(word, accepted)) {
            return diagnostic::takesNoValue(word.section(u'=', 0, 0));
        } else if (word.startsWith(u'-')) {
            return diagnostic::unknownOption(word);
        } else if (const Argument *positional = nextPositional(accepted)) {
            *positional->value = word;
        } else {
            return diagnostic::unexpectedArgument(word);
        }
    }
    return missingRequired(accepted);
}

} // namespace tq540ctl
