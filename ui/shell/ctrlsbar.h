#pragma once

#include <QMap>
#include <QWidget>

class QLabel;

// Status bar along the bottom of a window: the program version on the left
// and the maker's notice filling the rest. Its height is fixed at 240 twips.
// A message (what the program is doing for a while, such as recording a
// trace) stands between the two while there is one; the notice then moves
// behind it.
class ctrlSBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE setVersion)
    Q_PROPERTY(QString CopyRight READ CopyRight WRITE setCopyRight)
    Q_PROPERTY(QString Message READ Message WRITE setMessage)

public:
    explicit ctrlSBar(QWidget *parent = nullptr);

    QString Version() const;
    void setVersion(const QString &text);
    QString CopyRight() const;
    void setCopyRight(const QString &text);
    // Empty: no message, the design's layout. A message longer than the room
    // left is shortened in the middle; its tool tip holds it whole.
    QString Message() const { return mMessage; }
    void setMessage(const QString &text);
    // Several parts of the window may each keep a message of their own: the
    // message shows the parts that are not empty side by side, in the order
    // of their numbers. setMessage sets part 0.
    void setMessagePart(int part, const QString &text);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();

    // The left edge of the notice, after the message when there is one.
    double copyRightLeft() const;

    QLabel *lbVersion;
    QLabel *lbMessage;
    QLabel *lbCopyRight;
    QString mMessage;
    QMap<int, QString> mParts;
};
