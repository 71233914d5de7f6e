#include "portcombobox.h"

#include "portlist.h"

#include <QAbstractItemView>
#include <QStylePainter>

PortComboBox::PortComboBox(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &PortComboBox::updateToolTip);
}

void PortComboBox::fill(int count)
{
    clear();
    for (int port = 1; port <= count; ++port)
        addItem(QString::number(port));
    refreshNames();
}

void PortComboBox::setEntries(const QStringList &entries)
{
    clear();
    addItems(entries);
}

void PortComboBox::refreshNames()
{
    const std::vector<portlist::SystemPort> ports = portlist::systemPorts();
    for (int index = 0; index < count(); ++index)
        setItemText(index, portlist::comListEntry(index + 1, ports));
    updateToolTip();
}

QString PortComboBox::shownText() const
{
    return currentText().section(u' ', 0, 0);
}

// The entry whole, where it says more than the number.
void PortComboBox::updateToolTip()
{
    setToolTip(currentText() == shownText() ? QString() : currentText());
}

void PortComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = shownText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void PortComboBox::showPopup()
{
    refreshNames();
    // The box is narrow; the open list is as wide as its longest entry.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + view()->frameWidth() * 2);
    QComboBox::showPopup();
}
