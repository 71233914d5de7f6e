#include "storedvaluemarks.h"

#include "ctrlsbar.h"
#include "gridcontrol.h"
#include "resdll.h"
#include "storedtext.h"

#include <QEvent>
#include <QLineEdit>

using tqimage::MemoryControls;

namespace {

// Language texts.
constexpr int TEXT_STORED_AS = 2552;
constexpr int TEXT_ONE_MARKED = 2553;
constexpr int TEXT_MARKED = 2554;

// The status bar's message part of the marks (the trace has part 0).
constexpr int messagePart = 1;

QString note(const QString &typed, const QString &stored)
{
    if (!tqimage::storedOtherwise(typed, stored))
        return {};
    return textOr(TEXT_STORED_AS, QStringLiteral("'%1' will be stored as '%2'."))
        .arg(typed.trimmed(), stored);
}

int columns(tqimage::Grid which)
{
    return which == tqimage::Grid::Inputs ? tqimage::grid::inputCols : tqimage::grid::outputCols;
}

} // namespace

StoredValueMarks::StoredValueMarks(const tqimage::CodecControls &controls, GridBoxes inputs,
                                   GridBoxes outputs, QLineEdit &dwellTime, ctrlSBar &statusBar,
                                   QObject *parent)
    : QObject(parent), mControls(controls), mInputs(std::move(inputs)),
      mOutputs(std::move(outputs)), mDwellTime(dwellTime), mStatusBar(statusBar)
{
    for (const GridBoxes *grid : {&mInputs, &mOutputs}) {
        connect(&grid->grid, &GridControl::cellTextChanged, this, &StoredValueMarks::update);
        for (QLineEdit *box : grid->boxes)
            watch(*box);
    }
    connect(&mDwellTime, &QLineEdit::textChanged, this, &StoredValueMarks::update);
    mPlain.insert(&mDwellTime, mDwellTime.palette());
}

void StoredValueMarks::watch(QLineEdit &box)
{
    mPlain.insert(&box, box.palette());
    box.installEventFilter(this);
    connect(&box, &QLineEdit::textChanged, this, &StoredValueMarks::update);
}

bool StoredValueMarks::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Move || type == QEvent::Show || type == QEvent::Hide)
        update();
    return false;
}

void StoredValueMarks::update()
{
    MemoryControls typed = tqimage::copyOf(mControls);
    putTypingInPlace(typed, mInputs);
    putTypingInPlace(typed, mOutputs);
    const MemoryControls stored = tqimage::asStored(typed);
    mCount = 0;
    markGrid(mInputs, typed, stored);
    markGrid(mOutputs, typed, stored);
    const QString dwell = note(typed.timeout, stored.timeout);
    markBox(mDwellTime, dwell);
    mCount += dwell.isEmpty() ? 0 : 1;
    showCount();
}

QLineEdit *StoredValueMarks::shownBox(const GridBoxes &grid)
{
    for (QLineEdit *box : grid.boxes)
        if (box->isVisible())
            return box;
    return nullptr;
}

// A box shown stands over its grid's current cell; what is typed in it
// counts as that cell's text.
void StoredValueMarks::putTypingInPlace(MemoryControls &typed, const GridBoxes &grid) const
{
    const QLineEdit *box = shownBox(grid);
    const int row = grid.grid.Row();
    const int col = grid.grid.Col();
    if (box && row >= 1 && row <= tqimage::layout::recordCount && col >= 1 &&
        col < columns(grid.which))
        typed.setCellText(grid.which, row, col, box->text());
}

void StoredValueMarks::markGrid(const GridBoxes &grid, const MemoryControls &typed,
                                const MemoryControls &stored)
{
    for (int row = 1; row <= tqimage::layout::recordCount; ++row) {
        for (int col = 1; col < columns(grid.which); ++col) {
            const QString text =
                note(typed.cellText(grid.which, row, col), stored.cellText(grid.which, row, col));
            grid.grid.setCellBackColor(row, col, text.isEmpty() ? QColor() : markColor);
            grid.grid.setCellToolTip(row, col, text);
            mCount += text.isEmpty() ? 0 : 1;
        }
    }
    if (QLineEdit *box = shownBox(grid))
        markBox(*box, grid.grid.CellToolTip(grid.grid.Row(), grid.grid.Col()));
    for (QLineEdit *box : grid.boxes)
        if (box != shownBox(grid))
            markBox(*box, {});
}

void StoredValueMarks::markBox(QLineEdit &box, const QString &note)
{
    QPalette palette = mPlain.value(&box);
    if (!note.isEmpty())
        palette.setColor(QPalette::Base, markColor);
    box.setPalette(palette);
    box.setToolTip(note);
}

void StoredValueMarks::showCount()
{
    QString message;
    if (mCount == 1)
        message = textOr(TEXT_ONE_MARKED, QStringLiteral("1 value will not be stored as typed; "
                                                         "its tool tip says what will."));
    else if (mCount > 1)
        message = textOr(TEXT_MARKED, QStringLiteral("%1 values will not be stored as typed; "
                                                     "their tool tips say what will."))
                      .arg(mCount);
    mStatusBar.setMessagePart(messagePart, message);
}
