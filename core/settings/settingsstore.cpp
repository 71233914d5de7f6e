#include "settingsstore.h"

namespace settingsstore {

std::unique_ptr<QSettings> open(const QString &keyPath)
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath,
                                       QSettings::NativeFormat);
#else
    auto store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Corvant"), QStringLiteral("kWare"));
    QString group = keyPath;
    group.replace(u'\\', u'/');
    store->beginGroup(group);
    return store;
#endif
}

namespace {

const QString windowGeometryValue = QStringLiteral("WindowGeometry");
const QString windowMenuHeightValue = QStringLiteral("WindowMenuHeight");
const QString verifyAfterUploadValue = QStringLiteral("VerifyAfterUpload");

} // namespace

QByteArray windowGeometry()
{
    return open()->value(windowGeometryValue).toByteArray();
}

void setWindowGeometry(const QByteArray &geometry)
{
    open()->setValue(windowGeometryValue, geometry);
}

int windowMenuHeight()
{
    return open()->value(windowMenuHeightValue).toString().toInt();
}

void setWindowMenuHeight(int pixels)
{
    open()->setValue(windowMenuHeightValue, QString::number(pixels));
}

bool verifyAfterUpload()
{
    return open()->value(verifyAfterUploadValue).toString().trimmed() == u"1";
}

void setVerifyAfterUpload(bool on)
{
    open()->setValue(verifyAfterUploadValue, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString mappedPortPath(int comNumber)
{
    const auto store = open();
    return store->value(QStringLiteral("Ports/COM%1").arg(comNumber)).toString().trimmed();
}

} // namespace settingsstore
