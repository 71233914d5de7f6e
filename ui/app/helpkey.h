#pragma once

#include <QObject>

class QWidget;

// F1 anywhere in a window opens the user manual, also over one of its open
// drop-down lists. Watching the whole application lets the window see the
// key before any of its controls (an edit box's own filters included),
// wherever the focus is inside it.
class HelpKeyFilter : public QObject
{
    Q_OBJECT

public:
    explicit HelpKeyFilter(QWidget &window);
    ~HelpKeyFilter() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isInWindow(QObject *object) const;

    QWidget &mWindow;
};
