#pragma once

#include <QString>

class QWidget;

// Help > About: the program's version, the Qt version it runs on, and the
// language library's path and whether it loaded (the path looked for when
// it did not).
namespace aboutbox {

QString text();
void show(QWidget *parent);

} // namespace aboutbox
