#include "m_cvlibex.h"

#include "twips.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QWidget>
#include <cmath>
#include <cstdlib>

namespace m_cvlibex {

std::int32_t pointSizeFromHeight(std::int32_t height, std::int32_t dpi)
{
    if (dpi < 1)
        return 0;
    // 64-bit product: no overflow for any 32-bit height.
    return static_cast<std::int32_t>(std::llabs(std::int64_t{height} * 72 / dpi));
}

std::int32_t heightFromPointSize(double pointSize, std::int32_t dpi)
{
    return -static_cast<std::int32_t>(std::lround(pointSize * dpi / 72.0));
}

namespace {

// The system font's height as a logical font height at `dpi`; fonts given in
// pixels keep their pixel size.
std::int32_t logicalHeight(const QFont &font, std::int32_t dpi)
{
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    return heightFromPointSize(font.pointSizeF(), dpi);
}

} // namespace

bool GetDefaultGuiFont(QString &faceName, std::int32_t &size, std::int32_t &charset)
{
    size = 0;
    charset = 0;
    // Without a GUI application there is no platform theme to ask.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QString name = font.family();
    const auto nul = name.indexOf(QChar(u'\0'));
    if (nul >= 0)
        name.truncate(nul);
    name = name.trimmed();
    if (name.isEmpty())
        return false;
    faceName = name;
    charset = defaultCharset;
    const auto dpi = static_cast<std::int32_t>(std::lround(twips::logicalDpi()));
    size = pointSizeFromHeight(logicalHeight(font, dpi), dpi);
    return true;
}

void ApplyDefaultGuiFont(QFont &font, bool withSize)
{
    QString faceName;
    std::int32_t size = 0;
    std::int32_t charset = 0;
    if (!GetDefaultGuiFont(faceName, size, charset))
        return;
    font.setFamily(faceName);
    // A size of 0 cannot be set on a font; the font keeps its own then.
    if (withSize && size > 0)
        font.setPointSize(size);
}

void applyDefaultGuiFont(QWidget *widget)
{
    if (!widget)
        return;
    QFont font = widget->font();
    ApplyDefaultGuiFont(font, true);
    widget->setFont(font);
}

void applyDefaultGuiFontToControls(QWidget *parent)
{
    if (!parent)
        return;
    for (QWidget *control : parent->findChildren<QWidget *>())
        applyDefaultGuiFont(control);
}

} // namespace m_cvlibex
