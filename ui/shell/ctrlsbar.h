#pragma once

#include <QWidget>

class QLabel;

// Status bar along the bottom of a window: the program version on the left
// and the maker's notice filling the rest. Its height is fixed at 240 twips.
class ctrlSBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE setVersion)
    Q_PROPERTY(QString CopyRight READ CopyRight WRITE setCopyRight)

public:
    explicit ctrlSBar(QWidget *parent = nullptr);

    QString Version() const;
    void setVersion(const QString &text);
    QString CopyRight() const;
    void setCopyRight(const QString &text);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();

    QLabel *lbVersion;
    QLabel *lbCopyRight;
};
