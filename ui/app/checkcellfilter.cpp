#include "checkcellfilter.h"

#include "eepromimage.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// A character the user typed, as opposed to a control key or a shortcut.
bool isTypedCharacter(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty() || event.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    return text.front().isPrint();
}

bool passesUnchanged(const QString &text)
{
    return text == tqimage::checkMark || text == QStringLiteral(" ");
}

} // namespace

void CheckCellFilter::watch(QLineEdit &box)
{
    box.installEventFilter(this);
}

bool CheckCellFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::InputMethod) {
        composed(*static_cast<QInputMethodEvent *>(event));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *box = qobject_cast<QLineEdit *>(watched);
    const auto &key = *static_cast<QKeyEvent *>(event);
    if (!box || !isTypedCharacter(key) || passesUnchanged(key.text()))
        return false;
    // Typed as the box would type it: over the selection, within MaxLength.
    box->insert(tqimage::checkMark);
    return true;
}

// Text composed with a dead key or an input method arrives whole, as the
// event's commit string: the box takes "x" in its place, the way it would
// take it typed, and the composition still ends.
void CheckCellFilter::composed(QInputMethodEvent &event)
{
    const QString text = event.commitString();
    if (!text.isEmpty() && !passesUnchanged(text))
        event.setCommitString(tqimage::checkMark, event.replacementStart(),
                              event.replacementLength());
}
