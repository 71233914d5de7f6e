#include "checkcellfilter.h"

#include "eepromimage.h"

#include <QLineEdit>

void CheckCellFilter::watch(QLineEdit &box)
{
    box.setValidator(this);
}

// The box takes the text as changed here in place of the one it was offered.
QValidator::State CheckCellFilter::validate(QString &input, int &) const
{
    const QChar mark = tqimage::checkMark.front();
    for (QChar &character : input)
        if (character != mark && character != u' ')
            character = mark;
    return Acceptable;
}
