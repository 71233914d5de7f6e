#pragma once

#include "editcontrol.h"
#include "editgrid.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

// One grid column's editor: its control (none = the column cannot be edited),
// the text length limit the control gets while editing it, and the control's
// window handle (0 without a control), which tells shared controls apart.
struct ColumnEditor
{
    EditControl *EditBox = nullptr;
    int MaxLength = 0;
    quintptr hWnd = 0;
};

// A cell rectangle in twips.
struct CellRect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// Makes a display-only grid editable: the current column's edit control is laid
// over the current cell, loaded from it, and written back into it when the user
// leaves the cell. The owner forwards the controls' key-downs to KeyPress
// (KeyForwarder does that) and reads the results from the grid's cells.
//
// Operations marked tolerant skip a step that fails and go on; the others let
// the failure (a std::exception from the grid or a control) reach the caller.
class cGridEdit : public QObject
{
    Q_OBJECT

public:
    static constexpr int columnCount = 11;

    explicit cGridEdit(QObject *parent = nullptr);
    ~cGridEdit() override;

    // The grid being edited; set it before any other call. The editor borrows
    // the grid and listens to it, so the grid must outlive the editor (or be
    // replaced first).
    EditGrid *mGrid() const { return mGridRef; }
    void setMGrid(EditGrid *grid);

    // The current cell in the grid's container, and relative to the grid.
    CellRect GetCellLoc() const;
    CellRect GetCellLocEx() const;

    // Movement operations: true when KeyPress is to commit and reload the
    // control, false when the key belongs to the control.
    bool KeyPress_Down();
    bool KeyPress_Enter();
    bool KeyPress_PageDown();
    bool KeyPress_Left();
    bool KeyPress_Right();
    bool KeyPress_Up();
    bool KeyPress_Home();
    void KeyPress_CtrlHome();
    bool KeyPress_End();
    void KeyPress_CtrlEnd();
    bool KeyPress_PageUp();

    // Shows the current column's control on the current cell (tolerant).
    void SetPosition();
    // After the grid's size changed: the control shown for the current cell
    // is laid on it again, or hidden while the cell's row is out of view. Its
    // value and the focus are left alone (tolerant).
    void followCell();
    void setUpdateLocked(bool X) { mUpdateLocked = X; }
    bool UpdateLocked() const { return mUpdateLocked; }

    // Registers one column: its control (or none), the length limit, and the
    // column's title, width (twips) and alignment code, which go into the grid.
    // The widget form wraps a QLineEdit, QComboBox or QCheckBox in an adapter
    // the editor keeps.
    void EditBox_Ini(int Col, EditControl *EditBox, int MaxLength, const QString &ColTitle = {},
                     double ColWidth = 0, int Alignment = 0);
    void EditBox_Ini(int Col, QWidget *EditBox, int MaxLength, const QString &ColTitle = {},
                     double ColWidth = 0, int Alignment = 0);
    void EditBox_Ini(int Col, std::nullptr_t, int MaxLength, const QString &ColTitle = {},
                     double ColWidth = 0, int Alignment = 0);

    // The number of consecutive visible rows from the top row (tolerant).
    int GetMaxVisibleCols(EditGrid &grid) const;
    // Places a text-box editor with the grid's own cell metrics.
    void Scroll();

    void EditBox_SetData_TextBox(EditControl &CurrentEditBox);
    void Txt_SelectAll(EditControl &txtBox);
    void EditBox_SetData_ListBox(EditControl &CurrentEditBox);
    void EditBox_SetData_CheckBox(EditControl &CurrentEditBox);
    void Scroll_TextBox();

    // KeyCode is a Windows virtual-key code, Shift the mask 1 Shift, 2 Ctrl,
    // 4 Alt (only the exact values count). KeyCode 0 asks for a refresh; on
    // return KeyCode is 0 when the key was consumed and must not reach the
    // control. Releases UpdateLocked also when a grid call fails.
    void KeyPress(int &KeyCode, int Shift);
    // KeyPress for the callers that have nobody to report a failure to (a key
    // forwarded from a control, the grid's notifications): the failure is
    // logged and the editor carries on. False when KeyPress failed.
    bool keyPressOrLog(int &KeyCode, int Shift) noexcept;
    // Commits the control's value into the cell it was placed on.
    void EditBox_Restore();
    // True while the control holds typing that EditBox_Restore would put into
    // its cell; dropPendingEdit loads the control from the cell again instead.
    bool hasPendingEdit() const;
    void dropPendingEdit();
    void VisibleCell() {}

    const ColumnEditor &columnEditor(int col) const { return mEditBoxes.at(col); }
    int lastCol() const { return mLastCol; }
    int lastRow() const { return mLastRow; }

private:
    EditGrid &grid() const;
    EditControl *currentBox() const;
    CellRect cellRect(double left, double top) const;
    EditControl *adapterFor(QWidget &widget);
    // What EditBox_Restore writes into the last cell; none without a control.
    std::optional<QString> committedText() const;

    bool dispatch(int keyCode, int shift);
    bool currentRowVisible() const;
    void placeBox(EditControl &box);
    void layOnCell(EditControl &box);
    void loadBox(EditControl &box);
    void hideOtherBoxes(const EditControl &box);
    void onGridNotification();

    EditGrid *mGridRef = nullptr;
    std::vector<std::unique_ptr<EditControl>> mOwnedControls;
    std::array<ColumnEditor, columnCount> mEditBoxes{};
    int mLastCol = -1;
    int mLastRow = -1;
    bool mUpdateLocked = false;
};
