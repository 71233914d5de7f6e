#include "sheetoutput.h"

#include "ctrlsbar.h"
#include "filedialogs.h"
#include "msgbox.h"
#include "resdll.h"

#include <QDir>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <utility>

namespace {

// Language texts.
constexpr int TEXT_WRITTEN = 2555;
constexpr int TEXT_NOT_WRITTEN = 2556;
constexpr int TEXT_DIALOG_TITLE = 2557;
constexpr int TEXT_NOT_PRINTED = 2558;

// The status bar's message part of the sheet (the trace has 0, the marks 1).
constexpr int messagePart = 2;

constexpr double marginMillimetres = 15;

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

SheetOutput::SheetOutput(QWidget &window, ctrlSBar &statusBar, Source sheet)
    : QObject(&window), mWindow(window), mStatusBar(statusBar), mSheet(std::move(sheet))
{
}

void SheetOutput::setSheetPage(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(marginMillimetres, marginMillimetres, marginMillimetres, marginMillimetres),
        QPageLayout::Millimeter));
}

void SheetOutput::render(const QString &html, QPagedPaintDevice &device)
{
    QTextDocument document;
    document.setHtml(html);
    document.print(&device);
}

bool SheetOutput::writePdf(const QString &html, const QString &path, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("tq540config"));
        setSheetPage(writer);
        render(html, writer);
    } // the writer finishes the file when it goes
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void SheetOutput::exportPdf()
{
    if (!mDialog) {
        mDialog = new filedialogs::CommonDialog(&mWindow);
        mDialog->setObjectName(QStringLiteral("dlgSheet"));
        mDialog->setWindowTitle(textOr(TEXT_DIALOG_TITLE, QStringLiteral("Export sheet")));
    }
    const QString path = filedialogs::ask(*mDialog, filedialogs::Mode::Sheet);
    if (path.isEmpty())
        return;
    QString error;
    if (!writePdf(mSheet(), path, error)) {
        msgbox::show(&mWindow,
                     textOr(TEXT_NOT_WRITTEN, QStringLiteral("Cannot write the sheet to %1: %2"))
                         .arg(nativePath(path), error),
                     msgbox::Icon::Exclamation);
        return;
    }
    mStatusBar.setMessagePart(
        messagePart,
        textOr(TEXT_WRITTEN, QStringLiteral("The sheet was written to %1.")).arg(nativePath(path)));
}

void SheetOutput::print()
{
    QPrinter printer(QPrinter::HighResolution);
    setSheetPage(printer); // what the dialog offers first
    if (!printdialogs::ask(printer, &mWindow))
        return;
    render(mSheet(), printer);
    if (printer.printerState() == QPrinter::Error)
        msgbox::show(&mWindow,
                     textOr(TEXT_NOT_PRINTED,
                            QStringLiteral("The sheet was not printed: the printer reported an "
                                           "error.")),
                     msgbox::Icon::Exclamation);
}

namespace printdialogs {

namespace {

Presenter &presenter()
{
    static Presenter current;
    return current;
}

bool showRealDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool ask(QPrinter &printer, QWidget *parent)
{
    return presenter() ? presenter()(printer, parent) : showRealDialog(printer, parent);
}

Presenter setPresenter(Presenter replacement)
{
    return std::exchange(presenter(), std::move(replacement));
}

} // namespace printdialogs
