#include "tracerecorder.h"

#include "ctrlsbar.h"
#include "filedialogs.h"
#include "linktrace.h"
#include "msgbox.h"
#include "resdll.h"

#include <QAction>
#include <QDir>

namespace {

// Language texts.
constexpr int TEXT_RECORDING = 1730;
constexpr int TEXT_DIALOG_TITLE = 1735;

} // namespace

TraceRecorder::TraceRecorder(QWidget &window, ctrlSBar &statusBar, QAction &item)
    : QObject(&window), mWindow(window), mStatusBar(statusBar), mItem(item)
{
    showState();
}

TraceRecorder::~TraceRecorder()
{
    if (recording())
        linktrace::stopTraceFile();
}

void TraceRecorder::toggle()
{
    if (recording()) {
        stop();
        return;
    }
    if (!mDialog) {
        mDialog = new filedialogs::CommonDialog(&mWindow);
        mDialog->setObjectName(QStringLiteral("dlgTrace"));
        mDialog->setWindowTitle(textOr(TEXT_DIALOG_TITLE, QStringLiteral("Record trace")));
    }
    const QString path = filedialogs::ask(*mDialog, filedialogs::Mode::Trace);
    if (path.isEmpty())
        showState(); // the item's check mark back as it was
    else
        start(path);
}

bool TraceRecorder::start(const QString &path)
{
    QString error;
    if (!linktrace::traceToFile(path, error)) {
        msgbox::show(&mWindow, QStringLiteral("Cannot write the trace to %1: %2")
                                   .arg(QDir::toNativeSeparators(path), error));
        showState();
        return false;
    }
    mPath = path;
    showState();
    return true;
}

void TraceRecorder::stop()
{
    linktrace::stopTraceFile();
    mPath.clear();
    showState();
}

void TraceRecorder::showState()
{
    mItem.setChecked(recording());
    mStatusBar.setMessage(recording()
                              ? textOr(TEXT_RECORDING, QStringLiteral("Recording a trace to %1"))
                                    .arg(QDir::toNativeSeparators(mPath))
                              : QString());
}
