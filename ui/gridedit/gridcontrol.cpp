#include "gridcontrol.h"

#include "griderrors.h"
#include "twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>

namespace {

constexpr int wheelStep = 120;
constexpr int textPadding = 3;

bool looksNumeric(const QString &text)
{
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

GridControl::GridControl(QWidget *parent)
    : QWidget(parent), mVBar(new QScrollBar(Qt::Vertical, this)),
      mHBar(new QScrollBar(Qt::Horizontal, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    mVBar->hide();
    mHBar->hide();
    mVBar->setFocusPolicy(Qt::NoFocus);
    mHBar->setFocusPolicy(Qt::NoFocus);
    connect(mVBar, &QScrollBar::valueChanged, this,
            [this](int value) { applyScroll(value, mLeftCol); });
    connect(mHBar, &QScrollBar::valueChanged, this,
            [this](int value) { applyScroll(mTopRow, value); });
    resizeCells();
}

// --- structure -------------------------------------------------------------

void GridControl::setRows(int rows)
{
    if (rows < 1 || rows <= mFixedRows)
        throw GridRangeError("Rows must exceed FixedRows");
    mRows = rows;
    resizeCells();
    layoutScrollBars();
    if (mRow >= mRows)
        moveCurrent(mRows - 1, mCol);
    repaintIfAllowed();
}

void GridControl::setCols(int cols)
{
    if (cols < 1 || cols <= mFixedCols)
        throw GridRangeError("Cols must exceed FixedCols");
    mCols = cols;
    resizeCells();
    layoutScrollBars();
    if (mCol >= mCols)
        moveCurrent(mRow, mCols - 1);
    repaintIfAllowed();
}

void GridControl::setFixedRows(int rows)
{
    if (rows < 0 || rows >= mRows)
        throw GridRangeError("FixedRows must be below Rows");
    mFixedRows = rows;
    applyScroll(std::max(mTopRow, rows), mLeftCol);
    layoutScrollBars();
    moveCurrent(std::max(mRow, rows), mCol);
    repaintIfAllowed();
}

void GridControl::setFixedCols(int cols)
{
    if (cols < 0 || cols >= mCols)
        throw GridRangeError("FixedCols must be below Cols");
    mFixedCols = cols;
    applyScroll(mTopRow, std::max(mLeftCol, cols));
    layoutScrollBars();
    moveCurrent(mRow, std::max(mCol, cols));
    repaintIfAllowed();
}

void GridControl::resizeCells()
{
    mColWidths.resize(mCols, -1);
    mColAlignments.resize(mCols, AlignGeneral);
    mRowHeights.resize(mRows, -1);
    mCells.resize(mRows);
    for (QStringList &row : mCells)
        row.resize(mCols);
}

void GridControl::checkRow(int row) const
{
    if (row < 0 || row >= mRows)
        throw GridRangeError("row out of range");
}

void GridControl::checkCol(int col) const
{
    if (col < 0 || col >= mCols)
        throw GridRangeError("column out of range");
}

// --- current cell and scrolling ----------------------------------------------

void GridControl::setRow(int row)
{
    checkRow(row);
    moveCurrent(row, mCol);
}

void GridControl::setCol(int col)
{
    checkCol(col);
    moveCurrent(mRow, col);
}

void GridControl::setTopRow(int row)
{
    checkRow(row);
    if (row < mFixedRows)
        throw GridRangeError("TopRow lies in the fixed rows");
    applyScroll(std::min(row, maxTopRow()), mLeftCol);
}

void GridControl::setLeftCol(int col)
{
    checkCol(col);
    if (col < mFixedCols)
        throw GridRangeError("LeftCol lies in the fixed columns");
    applyScroll(mTopRow, std::min(col, maxLeftCol()));
}

void GridControl::moveCurrent(int row, int col)
{
    if (row == mRow && col == mCol)
        return;
    mRow = row;
    mCol = col;
    repaintIfAllowed();
    notify(Notification::RowColChange);
}

void GridControl::applyScroll(int topRow, int leftCol)
{
    if (topRow == mTopRow && leftCol == mLeftCol)
        return;
    mTopRow = topRow;
    mLeftCol = leftCol;
    syncScrollBars();
    repaintIfAllowed();
    notify(Notification::Scroll);
}

void GridControl::ScrollPage(PageMove move)
{
    const int page = wholeRowsVisible();
    const int target = move == PageMove::Down ? mTopRow + page : mTopRow - page;
    applyScroll(std::clamp(target, mFixedRows, maxTopRow()), mLeftCol);
}

void GridControl::ensureVisible(int row, int col)
{
    int top = std::min(mTopRow, row);
    const double fixedBottom = frameTwips + sumRowHeights(0, mFixedRows - 1);
    while (top < row && fixedBottom + sumRowHeights(top, row) > areaBottom())
        ++top;
    int left = std::min(mLeftCol, col);
    const double fixedRight = frameTwips + sumColWidths(0, mFixedCols - 1);
    while (left < col && fixedRight + sumColWidths(left, col) > areaRight())
        ++left;
    applyScroll(std::min(top, maxTopRow()), std::min(left, maxLeftCol()));
}

// --- sizes ------------------------------------------------------------------

int GridControl::ColWidth(int col) const
{
    checkCol(col);
    const int width = mColWidths[col];
    return width < 0 ? defaultColWidth : width;
}

void GridControl::setColWidth(int col, int width)
{
    checkCol(col);
    if (width < -1)
        throw GridRangeError("negative column width");
    mColWidths[col] = width;
    layoutScrollBars();
    repaintIfAllowed();
}

int GridControl::RowHeight(int row) const
{
    checkRow(row);
    const int height = mRowHeights[row];
    return std::max(height < 0 ? defaultRowHeight : height, mRowHeightMin);
}

void GridControl::setRowHeight(int row, int height)
{
    checkRow(row);
    if (height < -1)
        throw GridRangeError("negative row height");
    mRowHeights[row] = height;
    layoutScrollBars();
    repaintIfAllowed();
}

void GridControl::setRowHeightMin(int height)
{
    if (height < 0)
        throw GridRangeError("negative minimum row height");
    mRowHeightMin = height;
    layoutScrollBars();
    repaintIfAllowed();
}

int GridControl::sumRowHeights(int from, int to) const
{
    int sum = 0;
    for (int row = std::max(from, 0); row <= to && row < mRows; ++row)
        sum += RowHeight(row);
    return sum;
}

int GridControl::sumColWidths(int from, int to) const
{
    int sum = 0;
    for (int col = std::max(from, 0); col <= to && col < mCols; ++col)
        sum += ColWidth(col);
    return sum;
}

// Rows above TopRow (scrolled out) get negative offsets above the fixed rows.
int GridControl::rowTop(int row) const
{
    const int fixed = frameTwips + sumRowHeights(0, std::min(row, mFixedRows) - 1);
    if (row < mFixedRows)
        return fixed;
    if (row >= mTopRow)
        return fixed + sumRowHeights(mTopRow, row - 1);
    return fixed - sumRowHeights(row, mTopRow - 1);
}

int GridControl::colLeft(int col) const
{
    const int fixed = frameTwips + sumColWidths(0, std::min(col, mFixedCols) - 1);
    if (col < mFixedCols)
        return fixed;
    if (col >= mLeftCol)
        return fixed + sumColWidths(mLeftCol, col - 1);
    return fixed - sumColWidths(col, mLeftCol - 1);
}

QRect GridControl::cellArea() const
{
    const int frame = twips::toPixels(frameTwips);
    int width = this->width() - 2 * frame;
    int height = this->height() - 2 * frame;
    if (!mVBar->isHidden())
        width -= mVBar->width();
    if (!mHBar->isHidden())
        height -= mHBar->height();
    return QRect(frame, frame, std::max(width, 0), std::max(height, 0));
}

double GridControl::areaBottom() const
{
    const QRect area = cellArea();
    return twips::fromPixels(area.y() + area.height());
}

double GridControl::areaRight() const
{
    const QRect area = cellArea();
    return twips::fromPixels(area.x() + area.width());
}

// The largest TopRow that still fills the area: the last row ends at the bottom.
int GridControl::maxTopRow() const
{
    const double room = areaBottom() - frameTwips - sumRowHeights(0, mFixedRows - 1);
    int top = mRows - 1;
    int used = top >= mFixedRows ? RowHeight(top) : 0;
    while (top - 1 >= mFixedRows && used + RowHeight(top - 1) <= room)
        used += RowHeight(--top);
    return std::max(top, mFixedRows);
}

int GridControl::maxLeftCol() const
{
    const double room = areaRight() - frameTwips - sumColWidths(0, mFixedCols - 1);
    int left = mCols - 1;
    int used = left >= mFixedCols ? ColWidth(left) : 0;
    while (left - 1 >= mFixedCols && used + ColWidth(left - 1) <= room)
        used += ColWidth(--left);
    return std::max(left, mFixedCols);
}

int GridControl::wholeRowsVisible() const
{
    int count = 0;
    for (int row = mTopRow; row < mRows && rowTop(row) + RowHeight(row) <= areaBottom(); ++row)
        ++count;
    return std::max(count, 1);
}

bool GridControl::RowIsVisible(int row) const
{
    checkRow(row);
    if (row >= mFixedRows && row < mTopRow)
        return false;
    return rowTop(row) < areaBottom();
}

// --- scroll bars --------------------------------------------------------------

void GridControl::layoutScrollBars()
{
    const int frame = twips::toPixels(frameTwips);
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int width = this->width() - 2 * frame;
    const int height = this->height() - 2 * frame;
    const int allRows = sumRowHeights(0, mRows - 1);
    const int allCols = sumColWidths(0, mCols - 1);
    bool needV = allRows > twips::fromPixels(height);
    const bool needH = allCols > twips::fromPixels(width - (needV ? extent : 0));
    if (needH && !needV)
        needV = allRows > twips::fromPixels(height - extent);
    mVBar->setGeometry(frame + width - extent, frame, extent, height - (needH ? extent : 0));
    mHBar->setGeometry(frame, frame + height - extent, width - (needV ? extent : 0), extent);
    mVBar->setVisible(needV);
    mHBar->setVisible(needH);
    syncScrollBars();
    applyScroll(std::min(mTopRow, maxTopRow()), std::min(mLeftCol, maxLeftCol()));
}

void GridControl::syncScrollBars()
{
    const QSignalBlocker blockV(mVBar);
    const QSignalBlocker blockH(mHBar);
    mVBar->setRange(mFixedRows, maxTopRow());
    mVBar->setPageStep(wholeRowsVisible());
    mVBar->setValue(mTopRow);
    mHBar->setRange(mFixedCols, maxLeftCol());
    mHBar->setValue(mLeftCol);
}

// --- texts ------------------------------------------------------------------

QString GridControl::TextMatrix(int row, int col) const
{
    checkRow(row);
    checkCol(col);
    return mCells[row][col];
}

void GridControl::setTextMatrix(int row, int col, const QString &text)
{
    checkRow(row);
    checkCol(col);
    if (mCells[row][col] == text)
        return;
    mCells[row][col] = text;
    repaintIfAllowed();
    emit cellTextChanged(row, col);
}

int GridControl::ColAlignment(int col) const
{
    checkCol(col);
    return mColAlignments[col];
}

void GridControl::setColAlignment(int col, int alignment)
{
    checkCol(col);
    if (alignment < AlignLeftTop || alignment > AlignGeneral)
        throw GridRangeError("unknown alignment code");
    mColAlignments[col] = alignment;
    repaintIfAllowed();
}

QString GridControl::Text() const
{
    return TextMatrix(mRow, mCol);
}

void GridControl::setText(const QString &text)
{
    setTextMatrix(mRow, mCol, text);
}

int GridControl::CellLeft() const
{
    return colLeft(mCol);
}

int GridControl::CellTop() const
{
    return rowTop(mRow);
}

int GridControl::CellWidth() const
{
    return ColWidth(mCol);
}

int GridControl::CellHeight() const
{
    return RowHeight(mRow);
}

// --- place in the container -----------------------------------------------------

double GridControl::Left() const
{
    return twips::fromPixels(x());
}

double GridControl::Top() const
{
    return twips::fromPixels(y());
}

double GridControl::Width() const
{
    return twips::fromPixels(width());
}

double GridControl::Height() const
{
    return twips::fromPixels(height());
}

void GridControl::setLeft(double left)
{
    move(twips::toPixels(left), y());
}

void GridControl::setTop(double top)
{
    move(x(), twips::toPixels(top));
}

void GridControl::setWidth(double width)
{
    resize(twips::toPixels(width), height());
}

void GridControl::setHeight(double height)
{
    resize(width(), twips::toPixels(height));
}

void GridControl::setRedraw(bool on)
{
    mRedraw = on;
    if (on)
        update();
}

void GridControl::repaintIfAllowed()
{
    if (mRedraw)
        update();
}

void GridControl::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

// --- user input -------------------------------------------------------------------

std::optional<GridControl::Cell> GridControl::cellAt(QPoint pos) const
{
    if (!cellArea().contains(pos))
        return std::nullopt;
    const double x = twips::fromPixels(pos.x());
    const double y = twips::fromPixels(pos.y());
    auto inRow = [&](int row) { return y >= rowTop(row) && y < rowTop(row) + RowHeight(row); };
    auto inCol = [&](int col) { return x >= colLeft(col) && x < colLeft(col) + ColWidth(col); };
    std::optional<Cell> hit;
    for (int row = 0; row < mRows && !hit; ++row) {
        if ((row < mFixedRows || row >= mTopRow) && inRow(row))
            hit = Cell{row, -1};
    }
    for (int col = 0; hit && hit->col < 0 && col < mCols; ++col) {
        if ((col < mFixedCols || col >= mLeftCol) && inCol(col))
            hit->col = col;
    }
    if (!hit || hit->col < 0)
        return std::nullopt;
    return hit;
}

void GridControl::mousePressEvent(QMouseEvent *event)
{
    SetFocus();
    if (event->button() != Qt::LeftButton)
        return;
    const auto cell = cellAt(event->position().toPoint());
    if (!cell || cell->row < mFixedRows || cell->col < mFixedCols)
        return;
    // A cell cut off at the edge comes into view before it becomes current.
    ensureVisible(cell->row, cell->col);
    moveCurrent(cell->row, cell->col);
}

void GridControl::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const bool sideways = std::abs(delta.x()) > std::abs(delta.y());
    mWheelDelta += sideways ? delta.x() : delta.y();
    const int notches = mWheelDelta / wheelStep;
    mWheelDelta %= wheelStep;
    if (notches == 0)
        return;
    if (sideways)
        applyScroll(mTopRow, std::clamp(mLeftCol - notches, mFixedCols, maxLeftCol()));
    else
        applyScroll(std::clamp(mTopRow - notches * QApplication::wheelScrollLines(), mFixedRows,
                               maxTopRow()),
                    mLeftCol);
    event->accept();
}

void GridControl::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int row = mRow;
    int col = mCol;
    switch (event->key()) {
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    case Qt::Key_PageUp:
        row -= wholeRowsVisible();
        break;
    case Qt::Key_PageDown:
        row += wholeRowsVisible();
        break;
    case Qt::Key_Home:
        col = mFixedCols;
        row = ctrl ? mFixedRows : row;
        break;
    case Qt::Key_End:
        col = mCols - 1;
        row = ctrl ? mRows - 1 : row;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    row = std::clamp(row, mFixedRows, mRows - 1);
    col = std::clamp(col, mFixedCols, mCols - 1);
    ensureVisible(row, col);
    moveCurrent(row, col);
}

void GridControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutScrollBars();
    notify(Notification::Resize);
}

// --- painting ----------------------------------------------------------------------

void GridControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int frame = twips::toPixels(frameTwips);
    qDrawShadePanel(&painter, rect(), palette(), true, std::max(frame / 2, 1));
    const QRect area = cellArea();
    painter.fillRect(area, palette().base());
    painter.setClipRect(area);
    const double bottom = areaBottom();
    const double right = areaRight();
    for (int row = 0; row < mRows; ++row) {
        if ((row >= mFixedRows && row < mTopRow) || rowTop(row) >= bottom)
            continue;
        for (int col = 0; col < mCols; ++col) {
            if ((col >= mFixedCols && col < mLeftCol) || colLeft(col) >= right)
                continue;
            const QPoint topLeft(twips::toPixels(colLeft(col)), twips::toPixels(rowTop(row)));
            const QPoint end(twips::toPixels(colLeft(col) + ColWidth(col)),
                             twips::toPixels(rowTop(row) + RowHeight(row)));
            if (end.x() > topLeft.x() && end.y() > topLeft.y())
                paintCell(painter, row, col, QRect(topLeft, end - QPoint(1, 1)));
        }
    }
}

void GridControl::paintCell(QPainter &painter, int row, int col, const QRect &rect) const
{
    const bool fixed = row < mFixedRows || col < mFixedCols;
    painter.fillRect(rect, fixed ? palette().button() : palette().base());
    painter.setPen(fixed ? palette().color(QPalette::Dark) : palette().color(QPalette::Midlight));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.setPen(palette().color(fixed ? QPalette::ButtonText : QPalette::Text));
    const QRect textRect = rect.adjusted(textPadding, 0, -textPadding, 0);
    Qt::Alignment alignment = qtAlignment(col);
    if (mColAlignments[col] == AlignGeneral && looksNumeric(mCells[row][col]))
        alignment = Qt::AlignRight | Qt::AlignVCenter;
    painter.drawText(textRect, int(alignment), mCells[row][col]);
    if (fixed || row != mRow || col != mCol)
        return;
    QPen focusPen(palette().color(QPalette::Highlight), hasFocus() ? 2 : 1,
                  hasFocus() ? Qt::SolidLine : Qt::DotLine);
    painter.setPen(focusPen);
    painter.drawRect(rect.adjusted(1, 1, -1, -1));
}

Qt::Alignment GridControl::qtAlignment(int col) const
{
    const int code = mColAlignments[col];
    if (code == AlignGeneral)
        return Qt::AlignLeft | Qt::AlignVCenter;
    static constexpr Qt::AlignmentFlag across[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::AlignmentFlag down[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return across[code / 3] | down[code % 3];
}
