#include "comport.h"

#include "numtext.h"
#include "reg.h"
#include "settingsstore.h"

namespace comport {

int indexFromStoredText(const QString &stored)
{
    const auto index = numtext::roundedInt32(stored);
    if (!index || *index < 0 || *index >= settingsstore::comPortCount)
        return 0;
    return *index;
}

QString storedTextFromIndex(int index)
{
    return QString::number(index);
}

int readStoredIndex()
{
    QString stored;
    for (const settingsstore::Scope scope : settingsstore::readOrder) {
        if (Reg::RegGetString(Reg::rootKeyOf(scope), settingsstore::programKeyPath, valueName,
                              stored))
            return indexFromStoredText(stored);
    }
    return 0;
}

bool writeStoredIndex(int index)
{
    return Reg::RegSetString(Reg::rootKeyOf(settingsstore::writeScope),
                             settingsstore::programKeyPath, valueName, storedTextFromIndex(index));
}

} // namespace comport
