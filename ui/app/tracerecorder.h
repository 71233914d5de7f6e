#pragma once

#include <QObject>
#include <QString>

class QAction;
class QFileDialog;
class QWidget;
class ctrlSBar;

// Records the link's frames to a file while the program runs, the same trace
// as --trace FILE: started from the command line or the menu item, stopped by
// choosing the item again. While it records, the item is checked and the
// status bar's message says where.
class TraceRecorder : public QObject
{
    Q_OBJECT

public:
    TraceRecorder(QWidget &window, ctrlSBar &statusBar, QAction &item);
    ~TraceRecorder() override; // stops the trace, closing its file

    // The item chosen: stops the trace, or asks for a file and starts one.
    void toggle();
    // Starts recording to `path` ("-": the error stream); a message box says
    // why when the file cannot be written. True when it records.
    bool start(const QString &path);
    void stop();
    bool recording() const { return !mPath.isEmpty(); }

private:
    void showState();

    QWidget &mWindow;
    ctrlSBar &mStatusBar;
    QAction &mItem;
    QFileDialog *mDialog = nullptr; // made on first use, keeps the name chosen last
    QString mPath;
};
