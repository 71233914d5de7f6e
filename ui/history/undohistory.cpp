#include "undohistory.h"

void UndoHistory::reset(const ConfigState &state)
{
    mUndo.clear();
    mRedo.clear();
    mCurrent = {state, true};
    mRun = 0;
    emit changed();
}

void UndoHistory::record(const ConfigState &state, int run)
{
    if (state == mCurrent.state)
        return;
    const bool sameRun = run != 0 && run == mRun;
    mRun = run;
    mRedo.clear();
    if (sameRun) {
        mCurrent = {state};
    } else {
        mUndo.push_back(std::exchange(mCurrent, {state}));
        if (mUndo.size() > depth)
            mUndo.pop_front();
    }
    emit changed();
}

void UndoHistory::amend(const ConfigState &state)
{
    mCurrent = {state};
    mRun = 0;
    emit changed();
}

std::optional<ConfigState> UndoHistory::undo()
{
    if (mUndo.empty())
        return std::nullopt;
    mRedo.push_back(std::exchange(mCurrent, mUndo.back()));
    mUndo.pop_back();
    mRun = 0;
    emit changed();
    return mCurrent.state;
}

std::optional<ConfigState> UndoHistory::redo()
{
    if (mRedo.empty())
        return std::nullopt;
    mUndo.push_back(std::exchange(mCurrent, mRedo.back()));
    mRedo.pop_back();
    mRun = 0;
    emit changed();
    return mCurrent.state;
}

void UndoHistory::markSaved()
{
    const QString &file = mCurrent.state.filename;
    for (std::deque<Entry> *steps : {&mUndo, &mRedo})
        for (Entry &step : *steps)
            step.saved = step.saved && (file.isEmpty() || step.state.filename != file);
    mCurrent.saved = true;
    mRun = 0;
    emit changed();
}
