#pragma once

#include "configstate.h"

#include <QObject>
#include <deque>
#include <optional>

// The window's configurations one step apart: the current one, the steps
// that Undo goes back through (the newest `depth` of them) and those Redo
// goes forward through again. It also knows which states their files hold, so
// that a window that undoes back to one is unsaved no more.
class UndoHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t depth = 100;

    using QObject::QObject;

    // A fresh start: `state`, nothing to undo or redo, saved.
    void reset(const ConfigState &state);
    // A new step to `state`, unless it is the current one; Redo's steps are
    // dropped. Records with the same non-zero `run` in a row (the keys typed
    // into one box) make one step.
    void record(const ConfigState &state, int run = 0);
    // The current state becomes `state` without a step (what Save wrote).
    void amend(const ConfigState &state);

    // The state to show, after a step back or forward; none at either end.
    std::optional<ConfigState> undo();
    std::optional<ConfigState> redo();
    bool canUndo() const { return !mUndo.empty(); }
    bool canRedo() const { return !mRedo.empty(); }

    const ConfigState &current() const { return mCurrent.state; }
    // The current state is what its file holds (it was just saved or opened
    // there), or, without a file, one that nobody needs kept (cleared). The
    // other states of that file no longer are.
    void markSaved();
    bool isSaved() const { return mCurrent.saved; }

signals:
    // After every change of the current state, the steps or the saved mark.
    void changed();

private:
    struct Entry
    {
        ConfigState state;
        bool saved = false;
    };

    Entry mCurrent;
    std::deque<Entry> mUndo; // oldest first
    std::deque<Entry> mRedo; // the next one last
    int mRun = 0;            // the run the current state was typed in, 0 none
};
