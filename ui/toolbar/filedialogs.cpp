#include "filedialogs.h"

#include "configfile.h"
#include "msgbox.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace filedialogs {

void CommonDialog::accept()
{
    const QStringList chosen = selectedFiles();
    if (acceptMode() == AcceptSave && !chosen.isEmpty()) {
        const QFileInfo file(chosen.constFirst());
        if (!QFileInfo(file.absolutePath()).isDir()) {
            // Qt's own words for a missing folder, in the user's language.
            msgbox::show(this,
                         QFileDialog::tr("%1\nDirectory not found.\nPlease verify the correct "
                                         "directory name was given.")
                             .arg(QDir::toNativeSeparators(file.absolutePath())),
                         msgbox::Icon::Exclamation);
            return;
        }
    }
    QFileDialog::accept();
}

namespace {

QString showRealDialog(QFileDialog &dialog, Mode)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

Presenter &presenter()
{
    static Presenter current;
    return current;
}

// The files each mode asks for: the pattern and the suffix a name gets.
std::pair<QString, QString> filesOf(Mode mode)
{
    switch (mode) {
    case Mode::Trace:
        return {QStringLiteral("*.txt"), QStringLiteral("txt")};
    case Mode::Sheet:
        return {QStringLiteral("*.pdf"), QStringLiteral("pdf")};
    default:
        return {configfile::filePattern, QStringLiteral("ztb")};
    }
}

void prepare(QFileDialog &dialog, Mode mode)
{
    const auto [pattern, suffix] = filesOf(mode);
    dialog.setNameFilter(pattern);
    if (mode == Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QString());
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    }
}

} // namespace

QString ask(QFileDialog &dialog, Mode mode)
{
    prepare(dialog, mode);
    const QString chosen = presenter() ? presenter()(dialog, mode) : showRealDialog(dialog, mode);
    if (!chosen.isEmpty())
        dialog.selectFile(chosen); // the next dialog starts with this name
    return chosen;
}

Presenter setPresenter(Presenter replacement)
{
    return std::exchange(presenter(), std::move(replacement));
}

} // namespace filedialogs
