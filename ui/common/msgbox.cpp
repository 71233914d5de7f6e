#include "msgbox.h"

#include <QMessageBox>

namespace msgbox {

namespace {

void showRealBox(QWidget *parent, const QString &text, Icon icon)
{
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    appTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

Presenter &presenter()
{
    static Presenter current;
    return current;
}

} // namespace

void show(QWidget *parent, const QString &text, Icon icon)
{
    if (presenter())
        presenter()(parent, text, icon);
    else
        showRealBox(parent, text, icon);
}

Presenter setPresenter(Presenter replacement)
{
    return std::exchange(presenter(), std::move(replacement));
}

} // namespace msgbox
