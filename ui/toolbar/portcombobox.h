#pragma once

#include <QComboBox>

// The toolbar's COM list: entries 1 to 16, each naming after its number the
// port it leads to when the system has that port ("9  ttyUSB0 (FT232R USB
// UART)"). The names are looked up again whenever the list is opened, so an
// adapter plugged in meanwhile shows up; the entries and the selection stay.
// Closed, the box shows the number alone, whole; the port's name is in its
// tool tip.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PortComboBox(QWidget *parent = nullptr);

    // Makes the entries 1 to count, named.
    void fill(int count);
    // Takes the entries of another list as they stand, names included, so a
    // second list needs no lookup of its own until it is opened.
    void setEntries(const QStringList &entries);
    void refreshNames();
    void showPopup() override;
    // What the closed box shows of the selected entry: its COM number.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateToolTip();
};
