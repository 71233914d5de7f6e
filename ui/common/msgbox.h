#pragma once

#include "scopedseam.h"

#include <QString>
#include <functional>
#include <utility>

class QWidget;

// Every message box of the program goes through here: one OK button, the
// application's title. Tests replace the presenter to answer the boxes.
namespace msgbox {

enum class Icon { None, Exclamation };

inline const QString appTitle = QStringLiteral("Device Configure [TQ540-2]");

using Presenter = std::function<void(QWidget *parent, const QString &text, Icon icon)>;

void show(QWidget *parent, const QString &text, Icon icon = Icon::None);

// Replaces the presenter; returns the previous one. An empty presenter
// restores the real message box.
Presenter setPresenter(Presenter presenter);
using ScopedPresenter = ScopedSeam<Presenter, &setPresenter>;

} // namespace msgbox
