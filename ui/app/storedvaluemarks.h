#pragma once

#include "memorycontrols.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPalette>

class GridControl;
class QLineEdit;
class ctrlSBar;

// Marks every text of the window that will not be stored as it stands (a
// Type of "5", a Group of "9", a dwell time of "300"): the cell, or the box
// while it is being typed in, gets the mark's colour and a tool tip saying
// what will be stored, and the status bar's message says how many there are.
// What will be stored is the codec's answer (tqimage::asStored), so the rule
// lives in one place. Saving and uploading are not affected.
class StoredValueMarks : public QObject
{
    Q_OBJECT

public:
    // A grid and the edit boxes its editor lays over its current cell.
    struct GridBoxes
    {
        GridControl &grid;
        tqimage::Grid which;
        QList<QLineEdit *> boxes;
    };

    static inline const QColor markColor = QColor(255, 221, 153);

    StoredValueMarks(const tqimage::CodecControls &controls, GridBoxes inputs, GridBoxes outputs,
                     QLineEdit &dwellTime, ctrlSBar &statusBar, QObject *parent = nullptr);

    // Marks the texts as they stand now.
    void update();
    int count() const { return mCount; }

protected:
    // A box placed on another cell, shown or hidden.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QLineEdit &box);
    static QLineEdit *shownBox(const GridBoxes &grid);
    void putTypingInPlace(tqimage::MemoryControls &typed, const GridBoxes &grid) const;
    void markGrid(const GridBoxes &grid, const tqimage::MemoryControls &typed,
                  const tqimage::MemoryControls &stored);
    // Colour and tool tip of a box; an empty note: as it was.
    void markBox(QLineEdit &box, const QString &note);
    void showCount();

    const tqimage::CodecControls &mControls;
    GridBoxes mInputs;
    GridBoxes mOutputs;
    QLineEdit &mDwellTime;
    ctrlSBar &mStatusBar;
    QHash<QLineEdit *, QPalette> mPlain; // each box's palette before any mark
    int mCount = -1;
};
