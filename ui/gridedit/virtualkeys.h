#pragma once

#include <QObject>
#include <Qt>
#include <optional>

class QKeyEvent;
class QWidget;
class cGridEdit;

// Windows virtual-key codes and the modifier mask, the key language of the
// grid editor's KeyPress.
namespace vk {

constexpr int None = 0; // no key: the editor's refresh request
constexpr int Back = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int Prior = 33; // Page Up
constexpr int Next = 34;  // Page Down
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Insert = 45;
constexpr int Delete = 46;
constexpr int F1 = 112;

constexpr int ShiftMask = 1;
constexpr int CtrlMask = 2;
constexpr int AltMask = 4;

struct Key
{
    int keyCode;
    int shift;
};

// The modifier mask of the Shift, Ctrl and Alt keys held.
int shiftMask(Qt::KeyboardModifiers modifiers);
// The virtual-key code and modifier mask of a key event; empty for a key that
// has no virtual-key code here (it must not be passed on as code 0).
std::optional<Key> fromKeyEvent(const QKeyEvent &event);

} // namespace vk

// Forwards the key-downs of edit controls to a grid editor's KeyPress and
// swallows the keys it consumes. Install it on every control registered with
// the editor. A failure of KeyPress is logged (cGridEdit::keyPressOrLog) and
// the key then reaches the control as usual.
class KeyForwarder : public QObject
{
    Q_OBJECT

public:
    explicit KeyForwarder(cGridEdit &editor, QObject *parent = nullptr);

    void watch(QWidget &control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    cGridEdit &mEditor;
};
