#pragma once

#include "undohistory.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class GridControl;
class RecoveryFile;
class SettingsRow;
class UserControl1;

// Keeps what the window holds of its configuration. Every change the user
// makes in the grids and the settings row, and every change the window makes
// itself (Clear, Open, Download), is a step that Undo takes back and Redo
// takes again; a step brings back the image, its length, the file name and
// the caption. Unsaved edits go into the window's recovery file within a
// second of a change; the file goes when they are saved or cleared.
class ConfigKeeper : public QObject
{
    Q_OBJECT

public:
    // What the keeper reads and writes of the window.
    struct Window
    {
        tqimage::CodecControls &controls;
        UserControl1 &toolbar;
        std::function<QString()> caption;
        std::function<void(const QString &)> setCaption;
    };

    // The window's configuration as it stands is the first state, saved.
    ConfigKeeper(Window window, QObject *parent = nullptr);
    // Unsaved edits are written at once; the recovery file stays for the
    // next start. Saved ones leave no file.
    ~ConfigKeeper() override;

    // The user's changes in these controls are steps; the keys typed into
    // the dwell-time box one after another make one.
    void watch(GridControl &grid);
    void watch(SettingsRow &row);

    // Runs the window's own change of its configuration as one step.
    void step(const std::function<void()> &change);
    // The configuration as it stands was just saved, opened or cleared.
    void saved();
    // A kept state back in the window, as one step.
    void restore(const ConfigState &state);

    void undo();
    void redo();
    bool canUndo() const { return mHistory.canUndo(); }
    bool canRedo() const { return mHistory.canRedo(); }
    bool isSaved() const { return mHistory.isSaved(); }

    // Milliseconds from a change to its recovery file.
    static constexpr int recoveryDelay = 1000;

signals:
    // After every step, Undo, Redo and save.
    void changed();

private:
    ConfigState captured() const;
    void show(const ConfigState &state);
    void userChanged(int run = 0);
    void keepForRecovery();
    void writeRecovery();

    Window mWindow;
    UndoHistory mHistory;
    std::unique_ptr<RecoveryFile> mRecovery;
    QTimer mRecoveryTimer;
    int mQuiet = 0; // while above 0, the window is changing the controls itself
};
