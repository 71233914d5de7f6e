#include "filedialogs.h"

#include "configfile.h"

#include <QFileDialog>
#include <utility>

namespace filedialogs {

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

void prepare(QFileDialog &dialog, Mode mode)
{
    dialog.setNameFilter(configfile::filePattern);
    if (mode == Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QString());
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("ztb"));
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
