#pragma once

#include "target.h"

#include <QByteArray>
#include <QJsonObject>

namespace tq540ctl {

// What a contact learnt of a device, for scripts: serialNumber, deviceId,
// speed (baud), eepromSize (bytes), deviceText.
QJsonObject deviceJson(const m::DeviceSummary &found);

// Indented JSON text of an object or array, ending in a line break.
QByteArray jsonText(const QJsonValue &value);

} // namespace tq540ctl
