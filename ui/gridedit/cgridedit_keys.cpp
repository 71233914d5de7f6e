// Keyboard navigation, paging and the scrolling operations of the grid editor.
#include "cgridedit.h"

#include "griderrors.h"
#include "tolerant.h"
#include "virtualkeys.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

bool isKind(const EditControl *box, EditKind kind)
{
    return box && box->kind() == kind;
}

bool listOpen(const EditControl *box)
{
    return isKind(box, EditKind::ComboBox) && box->ListDropped();
}

bool caretNotAtStart(const EditControl *box)
{
    return isKind(box, EditKind::TextBox) && box->SelStart() != 0;
}

// The caret is before the end and the text is not wholly selected: Right and
// End move the caret inside the text.
bool caretInsideText(const EditControl *box)
{
    if (!isKind(box, EditKind::TextBox))
        return false;
    const qsizetype length = box->Text().size();
    return box->SelStart() < length && box->SelText().size() != length;
}

EditControl &existing(EditControl *box)
{
    if (!box)
        throw MissingMemberError("the column has no control");
    return *box;
}

// Holds UpdateLocked for the length of a dispatch and releases it however the
// dispatch ends, so a failing grid call cannot leave the editor inert.
class LockHold
{
public:
    explicit LockHold(bool &flag) : mFlag(flag) { mFlag = true; }
    ~LockHold() { mFlag = false; }
    LockHold(const LockHold &) = delete;
    LockHold &operator=(const LockHold &) = delete;

private:
    bool &mFlag;
};

// Where a page move puts the current row: at its old place on the screen, or,
// when the grid could not scroll any further, on the end row, so that paging
// always reaches the first and the last row. Never outside the data rows.
int pagedRow(const EditGrid &g, int topBefore, int offset, int endRow)
{
    const int row = g.TopRow() == topBefore ? endRow : g.TopRow() + offset;
    return std::clamp(row, g.FixedRows(), g.Rows() - 1);
}

} // namespace

// --- dispatcher ----------------------------------------------------------------

void cGridEdit::KeyPress(int &KeyCode, int Shift)
{
    if (Shift == vk::ShiftMask || Shift == vk::AltMask || mUpdateLocked)
        return;
    // A current column beyond the table fails here, before anything moves.
    (void)mEditBoxes.at(grid().Col());
    const LockHold hold(mUpdateLocked);
    if (!dispatch(KeyCode, Shift))
        return;
    KeyCode = 0;
    mUpdateLocked = false;
    EditBox_Restore();
    SetPosition();
}

bool cGridEdit::dispatch(int keyCode, int shift)
{
    const bool ctrl = shift == vk::CtrlMask;
    switch (keyCode) {
    case vk::None:
    case vk::Escape:
        return true;
    case vk::Return:
        if (!KeyPress_Enter())
            return false;
        KeyPress_Down();
        return true;
    case vk::Prior:
        return KeyPress_PageUp();
    case vk::Next:
        return KeyPress_PageDown();
    case vk::End:
        if (!ctrl)
            return KeyPress_End();
        KeyPress_CtrlEnd();
        return true;
    case vk::Home:
        if (!ctrl)
            return KeyPress_Home();
        KeyPress_CtrlHome();
        return true;
    case vk::Left:
        return KeyPress_Left();
    case vk::Up:
        return KeyPress_Up();
    case vk::Right:
        return KeyPress_Right();
    case vk::Down:
        return KeyPress_Down();
    default:
        return false;
    }
}

// --- vertical moves -------------------------------------------------------------

bool cGridEdit::KeyPress_Down()
{
    EditGrid &g = grid();
    const EditControl *box = currentBox();
    if (isKind(box, EditKind::ComboBox)) {
        if (box->ListDropped())
            return false;
        if (g.Row() == g.Rows() - 1)
            return true;
    }
    if (g.Row() >= g.Rows() - 1)
        return false;
    g.setRow(g.Row() + 1);
    const CellRect cell = GetCellLocEx();
    // One row, even when that is not enough to bring the cell into view.
    if (cell.top + cell.height > g.Height())
        g.setTopRow(g.TopRow() + 1);
    return true;
}

bool cGridEdit::KeyPress_Up()
{
    EditGrid &g = grid();
    const EditControl *box = currentBox();
    if (isKind(box, EditKind::ComboBox)) {
        if (box->ListDropped())
            return false;
        if (g.Row() == g.FixedRows())
            return true;
    }
    if (g.Row() <= g.FixedRows())
        return false;
    g.setRow(g.Row() - 1);
    if (g.TopRow() > g.Row())
        g.setTopRow(g.Row());
    return true;
}

// --- horizontal moves -------------------------------------------------------------

bool cGridEdit::KeyPress_Left()
{
    EditGrid &g = grid();
    const EditControl *box = currentBox();
    if (caretNotAtStart(box))
        return false;
    if (isKind(box, EditKind::ComboBox) && g.Col() == g.FixedCols())
        return true;
    if (g.Col() <= g.FixedCols())
        return false;
    g.setCol(g.Col() - 1);
    if (g.Col() < g.LeftCol())
        g.setLeftCol(g.Col());
    return true;
}

bool cGridEdit::KeyPress_Right()
{
    EditGrid &g = grid();
    const EditControl *box = currentBox();
    if (caretInsideText(box))
        return false;
    if (isKind(box, EditKind::ComboBox) && g.Col() == g.Cols() - 1)
        return true;
    if (g.Col() >= g.Cols() - 1)
        return false;
    g.SetFocus();
    g.setCol(g.Col() + 1);
    const CellRect cell = GetCellLocEx();
    if (cell.left + cell.width > g.Width())
        g.setLeftCol(g.LeftCol() + 1);
    return true;
}

// --- row and column ends --------------------------------------------------------------

bool cGridEdit::KeyPress_Home()
{
    if (caretNotAtStart(currentBox()))
        return false;
    EditGrid &g = grid();
    g.setCol(g.FixedCols());
    g.setLeftCol(g.Col());
    return true;
}

bool cGridEdit::KeyPress_End()
{
    if (caretInsideText(currentBox()))
        return false;
    EditGrid &g = grid();
    g.setCol(g.Cols() - 1);
    g.setLeftCol(g.Col());
    return true;
}

void cGridEdit::KeyPress_CtrlHome()
{
    EditGrid &g = grid();
    g.setCol(g.FixedCols());
    g.setRow(g.FixedRows());
    g.setLeftCol(g.Col());
    g.setTopRow(g.Row());
}

void cGridEdit::KeyPress_CtrlEnd()
{
    EditGrid &g = grid();
    g.setRow(g.Rows() - 1);
    g.setTopRow(g.Row());
}

// --- paging -----------------------------------------------------------------------------

bool cGridEdit::KeyPress_PageDown()
{
    if (listOpen(currentBox()))
        return false;
    EditGrid &g = grid();
    const int top = g.TopRow();
    const int offset = g.Row() - top;
    g.ScrollPage(EditGrid::PageMove::Down);
    QCoreApplication::processEvents();
    g.setRow(pagedRow(g, top, offset, g.Rows() - 1));
    return true;
}

bool cGridEdit::KeyPress_PageUp()
{
    if (listOpen(currentBox()))
        return false;
    EditGrid &g = grid();
    const int top = g.TopRow();
    const int offset = g.Row() - top;
    g.ScrollPage(EditGrid::PageMove::Up);
    g.setRow(pagedRow(g, top, offset, g.FixedRows()));
    return true;
}

bool cGridEdit::KeyPress_Enter()
{
    return !listOpen(currentBox());
}

// --- scrolling operations --------------------------------------------------------------------

void cGridEdit::Scroll()
{
    if (isKind(currentBox(), EditKind::TextBox))
        Scroll_TextBox();
}

void cGridEdit::Scroll_TextBox()
{
    EditControl *box = nullptr;
    tolerantStep([&] { box = currentBox(); });
    bool rowVisible = false;
    tolerantStep([&] { rowVisible = grid().RowIsVisible(grid().Row()); });
    if (!rowVisible) {
        tolerantStep([&] { existing(box).setVisible(false); });
        tolerantStep([&] { grid().SetFocus(); });
        return;
    }
    tolerantStep([&] {
        const EditGrid &g = grid();
        existing(box).Move(g.Left() + g.CellLeft(), g.Top() + g.CellTop(), g.CellWidth());
    });
    tolerantStep([&] { existing(box).setVisible(true); });
    tolerantStep([&] { existing(box).setText(grid().Text()); });
    if (box)
        Txt_SelectAll(*box);
}

int cGridEdit::GetMaxVisibleCols(EditGrid &grid) const
{
    int count = 0;
    tolerantStep([&] {
        const int last = grid.Rows() - grid.FixedRows();
        for (int row = grid.TopRow(); row <= last && grid.RowIsVisible(row); ++row)
            ++count;
    });
    return count;
}
