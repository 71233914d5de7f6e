#include "resdll.h"

#include "programfiles.h"
#include "uilanguage.h"

#include <QFile>

#include <limits>

cResDll gResDll;

namespace {

qint32 nextModuleHandle()
{
    static qint32 last = 0;
    last = last == std::numeric_limits<qint32>::max() ? 1 : last + 1;
    return last;
}

std::optional<PeResources> loadLibraryFile(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > PeResources::maxFileSize)
        return std::nullopt;
    return PeResources::fromBytes(file.read(PeResources::maxFileSize + 1));
}

// Cuts to `length` UTF-16 units without leaving half a surrogate pair.
QString truncated(QString text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    text.truncate(length);
    return text;
}

} // namespace

cResDll::~cResDll()
{
    release();
}

void cResDll::release()
{
    mLibrary.reset();
    mFilename.clear();
    mHInstance = 0;
}

void cResDll::setFilename(const QString &path)
{
    release();
    load(path, loadLibraryFile(path));
}

void cResDll::setLibraryBytes(const QString &name, const QByteArray &bytes)
{
    release();
    load(name, PeResources::fromBytes(bytes));
}

void cResDll::load(const QString &name, std::optional<PeResources> library)
{
    mLibrary = std::move(library);
    if (!mLibrary)
        return;
    mLibrary->setUserLanguage(uilanguage::user());
    mFilename = name;
    mHInstance = nextModuleHandle();
}

QString cResDll::GetStr(qint32 ID, const QString &ResName) const
{
    if (!mLibrary || ID < 0)
        return {};
    if (ResName.isEmpty())
        return truncated(mLibrary->string(quint32(ID)).value_or(QString()), maxStringLength);
    const auto name = ResourceId::fromId(ID);
    if (!name)
        return {};
    const auto bytes = mLibrary->data(ResourceId::parse(ResName), *name);
    return bytes ? QString::fromLocal8Bit(*bytes) : QString();
}

QString langLibraryPath(const QString &programDir)
{
    return programfiles::beside(programDir, QStringLiteral("lang.dll"));
}

QString textOr(qint32 ID, const QString &english)
{
    const QString text = gResDll.GetStr(ID);
    return text.isEmpty() ? english : text;
}
