#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// Keeps the keyboard focus and the mouse wheel with a grid's edit boxes, so
// that the focus never rests on the grid while one of its boxes is shown on
// the current cell:
// - Tab stops at the grid only while none of its boxes is shown;
// - the grid hands the focus it gets (a click on its frame or empty area) to
//   the shown box;
// - a box shown while its grid has the focus takes it (its row came back into
//   view), and a box hidden while it has the focus gives it to its grid (its
//   row went out of view), instead of to the next control in the tab order;
// - the wheel over a box scrolls the grid.
class EditBoxKeeper : public QObject
{
    Q_OBJECT

public:
    explicit EditBoxKeeper(QWidget &grid, QObject *parent = nullptr);

    // Every edit box that the grid's editor lays over the grid.
    void watch(QWidget &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *shownBox() const;
    void updateTabStop();
    void gridEvent(const QEvent &event);
    bool boxEvent(QWidget &box, QEvent &event);

    QPointer<QWidget> mGrid;
    QList<QPointer<QWidget>> mBoxes;
};
