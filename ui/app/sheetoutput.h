#pragma once

#include "scopedseam.h"

#include <QObject>
#include <QString>
#include <functional>

class QFileDialog;
class QPagedPaintDevice;
class QPrinter;
class QWidget;
class ctrlSBar;

// The configuration sheet on paper or as a PDF file: the HTML the sheet's
// source makes (the same tq540ctl writes), laid out by Qt's rich-text engine.
class SheetOutput : public QObject
{
    Q_OBJECT

public:
    // The sheet of the configuration as the window holds it at that moment.
    using Source = std::function<QString()>;

    SheetOutput(QWidget &window, ctrlSBar &statusBar, Source sheet);

    // Asks for a .pdf name and writes the sheet there; the status bar says
    // where, a message box why not.
    void exportPdf();
    // Asks for a printer (the print dialog) and prints the sheet on it.
    void print();

    // The page the sheet is made for: A4 portrait, 15 mm margins.
    static void setSheetPage(QPagedPaintDevice &device);
    // The sheet laid out on `device`'s pages.
    static void render(const QString &html, QPagedPaintDevice &device);
    // Written whole or not at all: a failure leaves a file of that name as it
    // was, and `error` says why.
    static bool writePdf(const QString &html, const QString &path, QString &error);

private:
    QWidget &mWindow;
    ctrlSBar &mStatusBar;
    Source mSheet;
    QFileDialog *mDialog = nullptr; // made on first use, keeps the name chosen last
};

// The print dialog, which tests can answer.
namespace printdialogs {

// Shows the dialog for `printer`; true when the user chose to print.
using Presenter = std::function<bool(QPrinter &printer, QWidget *parent)>;

bool ask(QPrinter &printer, QWidget *parent);

// Replaces the presenter; returns the previous one. An empty presenter
// restores the real dialog.
Presenter setPresenter(Presenter presenter);
using ScopedPresenter = ScopedSeam<Presenter, &setPresenter>;

} // namespace printdialogs
