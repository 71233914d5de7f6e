#pragma once

#include "scopedseam.h"

#include <QFileDialog>
#include <QString>
#include <functional>

// The program's file dialogs. One dialog object serves the toolbar's Open and
// Save as, so each dialog starts with the name chosen last; tests replace the
// presenter to answer the dialogs.
namespace filedialogs {

// The toolbar's dialog object. Saving, it refuses a name whose folder does
// not exist ("path must exist") and stays open, as the system's save dialog
// does, rather than closing on a name that cannot be written.
class CommonDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override;
};

enum class Mode {
    Open,   // the file must exist
    SaveAs, // asks before replacing a file; ".ztb" added to a name without suffix
    Trace,  // a link trace to write: as SaveAs, for "*.txt" files
    Sheet,  // a configuration sheet to write: as SaveAs, for "*.pdf" files
};

// Shows the prepared dialog; the chosen full path, or empty when cancelled.
using Presenter = std::function<QString(QFileDialog &dialog, Mode mode)>;

// Prepares `dialog` for the mode (the file pattern, must-exist or the
// overwrite question) and asks the presenter; the chosen path or empty.
QString ask(QFileDialog &dialog, Mode mode);

// Replaces the presenter; returns the previous one. An empty presenter
// restores the real dialog.
Presenter setPresenter(Presenter presenter);
using ScopedPresenter = ScopedSeam<Presenter, &setPresenter>;

} // namespace filedialogs
