#include "arguments.h"

#include <algorithm>

namespace tq540ctl {

namespace {

const Argument *optionNamed(const QString &word, const std::vector<Argument> &spec)
{
    const auto found = std::find_if(spec.begin(), spec.end(), [&](const Argument &argument) {
        return argument.names.contains(word);
    });
    return found == spec.end() ? nullptr : &*found;
}

// The next positional argument without a value yet.
const Argument *nextPositional(const std::vector<Argument> &spec)
{
    const auto found = std::find_if(spec.begin(), spec.end(), [](const Argument &argument) {
        return argument.names.isEmpty() && argument.value->isNull();
    });
    return found == spec.end() ? nullptr : &*found;
}

diagnostic::Problem missingRequired(const std::vector<Argument> &spec)
{
    for (const Argument &argument : spec) {
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

diagnostic::Problem readArguments(const QStringList &args, const std::vector<Argument> &spec)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &word = args[i];
        if (const Argument *option = optionNamed(word, spec)) {
            if (option->flag)
                *option->flag = true;
            else if (diagnostic::Problem problem = takeValue(args, i, *option->value))
                return problem;
        } else if (word.startsWith(u'-')) {
            return diagnostic::unknownOption(word);
        } else if (const Argument *positional = nextPositional(spec)) {
            *positional->value = word;
        } else {
            return diagnostic::unexpectedArgument(word);
        }
    }
    return missingRequired(spec);
}

} // namespace tq540ctl
