#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>

// The program's one settings store. On Windows it is the registry under
// HKEY_LOCAL_MACHINE; elsewhere an INI file in the user's configuration folder
// (organisation "Corvant", application "kWare", so $XDG_CONFIG_HOME/Corvant/kWare.ini),
// which tests redirect through XDG_CONFIG_HOME.
namespace settingsstore {

// Key path of the program's own values, as the registry spells it.
inline const QString programKeyPath = QStringLiteral("SoftWare\\Corvant\\kWare");

// The store for a registry-style key path under the machine-wide root; the
// returned object's groups start at that key.
std::unique_ptr<QSettings> open(const QString &keyPath = programKeyPath);

// COM port numbers run from 1 to this: the toolbar's list, the serial layer's
// port table and the port map all cover them.
constexpr int comPortCount = 16;

// The main window's size and place when it was last closed, as
// QWidget::saveGeometry gives them (value "WindowGeometry"); empty when none
// was stored.
QByteArray windowGeometry();
void setWindowGeometry(const QByteArray &geometry);
// The menu bar's height in pixels when that geometry was stored (value
// "WindowMenuHeight"); 0 for a geometry stored before the window had one.
int windowMenuHeight();
void setWindowMenuHeight(int pixels);

// Whether Upload reads the written bytes back before the reset (value
// "VerifyAfterUpload", "1" or "0"); off when nothing is stored.
bool verifyAfterUpload();
void setVerifyAfterUpload(bool on);

// Device path that the user mapped to COM port `comNumber` (group "Ports", key
// "COMn"), or empty when there is no such entry. Only consulted off Windows.
QString mappedPortPath(int comNumber);

} // namespace settingsstore
