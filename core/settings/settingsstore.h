#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The program's one settings store, in two scopes. Every value is written to
// the user's own scope, which any user may write; it is read from there first
// and from the machine-wide scope second, so a value an installer or an
// administrator left there serves as the default. On Windows the scopes are
// the registry's HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; elsewhere they are
// the INI files of QSettings' user and system scopes (organisation "Corvant",
// application "kWare": $XDG_CONFIG_HOME/Corvant/kWare.ini and
// /etc/xdg/Corvant/kWare.ini), which tests move with XDG_CONFIG_HOME and
// QSettings::setPath.
namespace settingsstore {

enum class Scope { User, Machine };

// The order values are read in, and the one scope they are written to.
inline constexpr Scope readOrder[] = {Scope::User, Scope::Machine};
inline constexpr Scope writeScope = Scope::User;

// Key path of the program's own values, as the registry spells it.
inline const QString programKeyPath = QStringLiteral("SoftWare\\Corvant\\kWare");

// The value `name` under `keyPath` in one scope, or nothing when the scope
// does not hold it.
std::optional<QVariant> valueIn(Scope scope, const QString &keyPath, const QString &name);

// Writes the value into one scope at once; false when its store refused it.
bool writeValueIn(Scope scope, const QString &keyPath, const QString &name, const QVariant &value);

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

// The files last opened or saved in the window, newest first (value
// "RecentFiles"); empty when none was stored.
QStringList recentFiles();
void setRecentFiles(const QStringList &paths);

// Device path that the user mapped to COM port `comNumber` (group "Ports", key
// "COMn"), or empty when there is no such entry. Only consulted off Windows.
QString mappedPortPath(int comNumber);

} // namespace settingsstore
