#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The differences between the window's configuration and a device's, one
// line each in the words tq540ctl diff uses ("Input 5, Group: 3 -> 4",
// the window's value first), or one line saying they are the same. Accepted
// when the user chose to load the device's configuration into the window.
class frmCompare : public QDialog
{
    Q_OBJECT

public:
    explicit frmCompare(const QStringList &differences, QWidget *parent = nullptr);

private:
    QLabel *lbSummary;
    QPlainTextEdit *txtDifferences; // hidden when there are none
    QPushButton *cmdLoad;
    QPushButton *cmdClose;
};
