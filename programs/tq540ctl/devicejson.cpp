#include "devicejson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tq540ctl {

QJsonObject deviceJson(const m::DeviceSummary &found)
{
    return {{QStringLiteral("serialNumber"), qint64(found.serialNumber)},
            {QStringLiteral("deviceId"), found.deviceId},
            {QStringLiteral("speed"), found.baud},
            {QStringLiteral("eepromSize"), found.eepromSize},
            {QStringLiteral("deviceText"), found.deviceText}};
}

QByteArray jsonText(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson()
                           : QJsonDocument(value.toObject()).toJson();
}

} // namespace tq540ctl
