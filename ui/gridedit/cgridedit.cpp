// Registration of the column controls, cell geometry, showing the control on
// the current cell, and moving values between cells and controls.
#include "cgridedit.h"

#include "griderrors.h"
#include "numtext.h"
#include "tolerant.h"
#include "widgeteditcontrols.h"

#include <QDebug>

namespace {

// The cells start inside the grid's frame.
constexpr double cellInset = 30;
// A row is made this much lower than a control taller than it.
constexpr int rowHeightSlack = 15;

bool isKind(const EditControl *box, EditKind kind)
{
    return box && box->kind() == kind;
}

// Cell texts are compared and committed without the blanks around them.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// Half the free room beside a control: whole twips (nearest, halves to even),
// halved with the remainder dropped.
long long halfRoom(double room)
{
    return static_cast<long long>(numtext::roundHalfEven(room)) / 2;
}

} // namespace

cGridEdit::cGridEdit(QObject *parent) : QObject(parent) {}

cGridEdit::~cGridEdit()
{
    setMGrid(nullptr);
}

// RowColChange and Scroll ask for the same refresh; after a Resize the
// control only follows its cell.
void cGridEdit::setMGrid(EditGrid *grid)
{
    if (mGridRef)
        mGridRef->setListener({});
    mGridRef = grid;
    if (grid)
        grid->setListener([this](EditGrid::Notification notification) {
            if (notification == EditGrid::Notification::Resize)
                followCell();
            else
                onGridNotification();
        });
}

EditGrid &cGridEdit::grid() const
{
    if (!mGridRef)
        throw std::logic_error("the grid editor has no grid");
    return *mGridRef;
}

EditControl *cGridEdit::currentBox() const
{
    return mEditBoxes.at(grid().Col()).EditBox;
}

// A refresh asked for by the grid itself (a click, a scroll bar).
void cGridEdit::onGridNotification()
{
    int keyCode = 0;
    keyPressOrLog(keyCode, 0);
}

// KeyPress has released UpdateLocked, so the editor stays usable.
bool cGridEdit::keyPressOrLog(int &KeyCode, int Shift) noexcept
{
    try {
        KeyPress(KeyCode, Shift);
        return true;
    } catch (const std::exception &error) {
        qWarning() << "grid editor: KeyPress failed:" << error.what();
        return false;
    }
}

// --- geometry ----------------------------------------------------------------

CellRect cGridEdit::cellRect(double left, double top) const
{
    const EditGrid &g = grid();
    for (int col = 0; col < g.FixedCols(); ++col)
        left += g.ColWidth(col);
    for (int col = g.LeftCol(); col < g.Col(); ++col)
        left += g.ColWidth(col);
    for (int row = 0; row < g.FixedRows(); ++row)
        top += g.RowHeight(row);
    for (int row = g.TopRow(); row < g.Row(); ++row)
        top += g.RowHeight(row);
    return CellRect{float(left), float(top), float(g.ColWidth(g.Col())),
                    float(g.RowHeight(g.Row()))};
}

CellRect cGridEdit::GetCellLoc() const
{
    return cellRect(grid().Left() + cellInset, grid().Top() + cellInset);
}

CellRect cGridEdit::GetCellLocEx() const
{
    return cellRect(cellInset, cellInset);
}

// --- registration ----------------------------------------------------------------

void cGridEdit::EditBox_Ini(int Col, EditControl *EditBox, int MaxLength, const QString &ColTitle,
                            double ColWidth, int Alignment)
{
    EditGrid &g = grid();
    if (Col >= g.Cols())
        return;
    ColumnEditor &record = mEditBoxes.at(Col);
    // Registering a column without a control makes it read-only, also when an
    // earlier registration gave it one.
    record.EditBox = EditBox;
    record.hWnd = EditBox ? EditBox->hWnd() : 0;
    if (EditBox && g.RowHeightMin() < EditBox->Height())
        g.setRowHeightMin(int(numtext::roundHalfEven(EditBox->Height())) - rowHeightSlack);
    record.MaxLength = MaxLength;
    g.setTextMatrix(0, Col, ColTitle);
    g.setColAlignment(Col, Alignment);
    g.setColWidth(Col, int(numtext::roundHalfEven(ColWidth)));
}

void cGridEdit::EditBox_Ini(int Col, QWidget *EditBox, int MaxLength, const QString &ColTitle,
                            double ColWidth, int Alignment)
{
    EditBox_Ini(Col, EditBox ? adapterFor(*EditBox) : static_cast<EditControl *>(nullptr),
                MaxLength, ColTitle, ColWidth, Alignment);
}

void cGridEdit::EditBox_Ini(int Col, std::nullptr_t, int MaxLength, const QString &ColTitle,
                            double ColWidth, int Alignment)
{
    EditBox_Ini(Col, static_cast<EditControl *>(nullptr), MaxLength, ColTitle, ColWidth, Alignment);
}

EditControl *cGridEdit::adapterFor(QWidget &widget)
{
    const auto handle = reinterpret_cast<quintptr>(&widget);
    for (const auto &control : mOwnedControls) {
        if (control->hWnd() == handle)
            return control.get();
    }
    mOwnedControls.push_back(makeEditControl(widget));
    return mOwnedControls.back().get();
}

// --- showing the control ------------------------------------------------------------

void cGridEdit::SetPosition()
{
    if (mUpdateLocked)
        return;
    EditControl *box = nullptr;
    tolerantStep([&] { box = currentBox(); });
    if (!box) {
        // Not editable: back to the last edited cell (refused while there is none).
        tolerantStep([&] { grid().setCol(mLastCol); });
        tolerantStep([&] { grid().setRow(mLastRow); });
        return;
    }
    placeBox(*box);
    loadBox(*box);
    hideOtherBoxes(*box);
    tolerantStep([&] { mLastCol = grid().Col(); });
    tolerantStep([&] { mLastRow = grid().Row(); });
}

void cGridEdit::placeBox(EditControl &box)
{
    if (!currentRowVisible()) {
        tolerantStep([&] { box.setVisible(false); });
        tolerantStep([&] { grid().SetFocus(); });
        return;
    }
    layOnCell(box);
}

bool cGridEdit::currentRowVisible() const
{
    bool visible = false;
    tolerantStep([&] { visible = grid().RowIsVisible(grid().Row()); });
    return visible;
}

void cGridEdit::layOnCell(EditControl &box)
{
    // Without the cell's rectangle the control stays where it is.
    tolerantStep([&] {
        const CellRect cell = GetCellLoc();
        if (box.kind() == EditKind::CheckBox)
            box.Move(cell.left + halfRoom(cell.width - box.Width()),
                     cell.top + halfRoom(cell.height - box.Height()));
        else
            box.Move(cell.left, cell.top, cell.width);
    });
    tolerantStep([&] { box.setVisible(true); });
}

void cGridEdit::followCell()
{
    if (mUpdateLocked)
        return;
    EditControl *box = nullptr;
    // Only a control that holds the current cell's value follows the cell.
    tolerantStep([&] {
        if (mLastRow == grid().Row() && mLastCol == grid().Col())
            box = currentBox();
    });
    if (!box)
        return;
    if (currentRowVisible())
        layOnCell(*box);
    else
        tolerantStep([&] { box->setVisible(false); });
}

// The control is loaded also while it is hidden, so it always holds its cell.
void cGridEdit::loadBox(EditControl &box)
{
    switch (box.kind()) {
    case EditKind::TextBox:
        tolerantStep([&] { EditBox_SetData_TextBox(box); });
        break;
    case EditKind::ComboBox:
        EditBox_SetData_ListBox(box);
        break;
    case EditKind::CheckBox:
        EditBox_SetData_CheckBox(box);
        break;
    case EditKind::Other:
        break;
    }
}

// Handles are compared, so a control that also serves the current column stays.
void cGridEdit::hideOtherBoxes(const EditControl &box)
{
    int first = 0;
    int last = -1;
    tolerantStep([&] { first = grid().FixedCols(); });
    tolerantStep([&] { last = grid().Cols() - 1; });
    for (int col = first; col <= last; ++col) {
        tolerantStep([&] {
            const ColumnEditor &record = mEditBoxes.at(col);
            if (record.EditBox && record.hWnd != box.hWnd())
                record.EditBox->setVisible(false);
        });
    }
}

// --- cell to control ------------------------------------------------------------------

void cGridEdit::EditBox_SetData_TextBox(EditControl &CurrentEditBox)
{
    const EditGrid &g = grid();
    CurrentEditBox.setMaxLength(mEditBoxes.at(g.Col()).MaxLength);
    CurrentEditBox.setText(g.TextMatrix(g.Row(), g.Col()));
    if (CurrentEditBox.Visible())
        Txt_SelectAll(CurrentEditBox);
}

// The selection covers MaxLength characters, not the text's length.
void cGridEdit::Txt_SelectAll(EditControl &txtBox)
{
    tolerantStep([&] { txtBox.SetFocus(); });
    tolerantStep([&] { txtBox.setSelStart(0); });
    tolerantStep([&] { txtBox.setSelLength(txtBox.MaxLength()); });
}

void cGridEdit::EditBox_SetData_ListBox(EditControl &CurrentEditBox)
{
    QString text;
    tolerantStep([&] { text = trimBlanks(grid().TextMatrix(grid().Row(), grid().Col())); });
    tolerantStep([&] { CurrentEditBox.setText(text); });
    tolerantStep([&] {
        if (CurrentEditBox.Text() != text)
            CurrentEditBox.setListIndex(-1);
    });
    tolerantStep([&] {
        if (CurrentEditBox.Visible())
            CurrentEditBox.SetFocus();
    });
}

void cGridEdit::EditBox_SetData_CheckBox(EditControl &CurrentEditBox)
{
    QString text;
    tolerantStep([&] { text = trimBlanks(grid().TextMatrix(grid().Row(), grid().Col())); });
    tolerantStep([&] { CurrentEditBox.setValue(text.toUpper() == u"X" ? 1 : 0); });
    tolerantStep([&] {
        if (CurrentEditBox.Visible())
            CurrentEditBox.SetFocus();
    });
}

// --- control to cell ---------------------------------------------------------------------

std::optional<QString> cGridEdit::committedText() const
{
    if (mLastCol < 0 || mLastRow < 0)
        return std::nullopt;
    const EditControl *box = mEditBoxes.at(mLastCol).EditBox;
    if (isKind(box, EditKind::TextBox) || isKind(box, EditKind::ComboBox))
        return trimBlanks(box->Text());
    if (isKind(box, EditKind::CheckBox))
        return box->Value() == 1 ? QStringLiteral("x") : QString();
    return std::nullopt;
}

void cGridEdit::EditBox_Restore()
{
    if (const std::optional<QString> text = committedText())
        grid().setTextMatrix(mLastRow, mLastCol, *text);
}

bool cGridEdit::hasPendingEdit() const
{
    const std::optional<QString> text = committedText();
    return text && *text != grid().TextMatrix(mLastRow, mLastCol);
}

void cGridEdit::dropPendingEdit()
{
    if (hasPendingEdit())
        SetPosition();
}
