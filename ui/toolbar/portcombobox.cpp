#include "portcombobox.h"

#include "portlist.h"

#include <QAbstractItemView>

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
}

void PortComboBox::showPopup()
{
    refreshNames();
    // The box is narrow; the open list is as wide as its longest entry.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + view()->frameWidth() * 2);
    QComboBox::showPopup();
}
