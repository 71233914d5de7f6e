#include "virtualkeys.h"

#include "cgridedit.h"

#include <QKeyEvent>
#include <QWidget>

namespace vk {

namespace {

struct Mapping
{
    int qtKey;
    int keyCode;
};

constexpr Mapping namedKeys[] = {
    {Qt::Key_Backspace, Back},  {Qt::Key_Tab, Tab},        {Qt::Key_Backtab, Tab},
    {Qt::Key_Return, Return},   {Qt::Key_Enter, Return},   {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},         {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},     {Qt::Key_Escape, Escape},  {Qt::Key_Space, Space},
    {Qt::Key_PageUp, Prior},    {Qt::Key_PageDown, Next},  {Qt::Key_End, End},
    {Qt::Key_Home, Home},       {Qt::Key_Left, Left},      {Qt::Key_Up, Up},
    {Qt::Key_Right, Right},     {Qt::Key_Down, Down},      {Qt::Key_Print, 44},
    {Qt::Key_Insert, Insert},   {Qt::Key_Delete, Delete},  {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},     {Qt::Key_ScrollLock, 145}, {Qt::Key_Semicolon, 186},
    {Qt::Key_Equal, 187},       {Qt::Key_Comma, 188},      {Qt::Key_Minus, 189},
    {Qt::Key_Period, 190},      {Qt::Key_Slash, 191},      {Qt::Key_QuoteLeft, 192},
    {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},  {Qt::Key_BracketRight, 221},
    {Qt::Key_Apostrophe, 222},
};

std::optional<int> codeFor(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the virtual-key codes of digits and letters are their ASCII codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return F1 + (key - Qt::Key_F1);
    for (const Mapping &mapping : namedKeys) {
        if (mapping.qtKey == key)
            return mapping.keyCode;
    }
    return std::nullopt;
}

} // namespace

int shiftMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        mask |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        mask |= AltMask;
    return mask;
}

std::optional<Key> fromKeyEvent(const QKeyEvent &event)
{
    const std::optional<int> code = codeFor(event.key());
    if (!code)
        return std::nullopt;
    return Key{*code, shiftMask(event.modifiers())};
}

} // namespace vk

KeyForwarder::KeyForwarder(cGridEdit &editor, QObject *parent) : QObject(parent), mEditor(editor) {}

void KeyForwarder::watch(QWidget &control)
{
    control.installEventFilter(this);
}

bool KeyForwarder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const std::optional<vk::Key> key = vk::fromKeyEvent(*static_cast<QKeyEvent *>(event));
    if (!key)
        return false;
    int keyCode = key->keyCode;
    // A key whose KeyPress failed reaches the control, whatever its code became.
    if (!mEditor.keyPressOrLog(keyCode, key->shift))
        return false;
    return keyCode == vk::None;
}
