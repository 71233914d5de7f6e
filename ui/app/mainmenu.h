#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class UserControl1;

// The window's menu bar. File and Device run the toolbar's commands: each such
// item clicks its button, so a command has one path whichever way it is
// chosen. Verify after upload is the toolbar's setting; the device tools,
// Record trace and About are the window's (the signals). Every menu and item
// has an access key; Ctrl+O, Ctrl+S, Ctrl+Shift+S, Ctrl+P, Ctrl+Z, Ctrl+Y and
// Ctrl+F are the only shortcuts, and none of them writes to a device. Help >
// Manual shows F1, the window's help key: the manual opens once.
class MainMenu : public QObject
{
    Q_OBJECT

public:
    MainMenu(QWidget &window, UserControl1 &toolbar);

    QMenuBar &bar() const { return *mBar; }
    // Checked while a trace is being recorded.
    QAction &recordTrace() const { return *mRecordTrace; }
    // Edit > Undo and Redo, greyed by the window while there is nothing to undo or redo.
    QAction &undo() const { return *mUndo; }
    QAction &redo() const { return *mRedo; }
    // File > Recent files, which the window fills.
    QMenu &recentFiles() const { return *mRecentFiles; }

signals:
    void exportSheetChosen();
    void printChosen();
    void findDevicesChosen();
    void compareChosen();
    void recordTraceChosen();
    void aboutChosen();
    void undoChosen();
    void redoChosen();

private:
    void createFileMenu(UserControl1 &toolbar);
    void addSheetItems(QMenu *file);
    void createEditMenu();
    void createDeviceMenu(UserControl1 &toolbar);
    void createHelpMenu(UserControl1 &toolbar);
    QMenu *addMenu(const char *name, int textId, const char *english);
    QAction *addItem(QMenu *menu, const char *name, int textId, const char *english);

    QMenuBar *mBar;
    QAction *mRecordTrace = nullptr;
    QAction *mUndo = nullptr;
    QAction *mRedo = nullptr;
    QMenu *mRecentFiles = nullptr;
};
