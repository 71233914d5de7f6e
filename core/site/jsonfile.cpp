#include "jsonfile.h"

#include "apifilefunction.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <span>

namespace site::jsonfile {

std::optional<QByteArray> read(const QString &path, const QString &role,
                               diagnostic::Problem &problem)
{
    QByteArray json(QFileInfo(path).size(), '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        path, std::span(reinterpret_cast<std::uint8_t *>(json.data()), std::size_t(json.size())));
    if (count < 0) {
        problem = diagnostic::cannotRead(path, role, API_FileFunction::LastErrorText());
        return std::nullopt;
    }
    json.truncate(count);
    return json;
}

diagnostic::Problem write(const QString &path, const QByteArray &json, const QString &role)
{
    if (API_FileFunction::FileWriteAll(
            path, std::span(reinterpret_cast<const std::uint8_t *>(json.constData()),
                            std::size_t(json.size()))) < 0)
        return diagnostic::cannotWrite(path, role, API_FileFunction::LastErrorText());
    return {};
}

std::optional<QJsonObject> topObject(const QByteArray &json, QString &error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (document.isObject())
        return document.object();
    error = parse.error == QJsonParseError::NoError ? QStringLiteral("expected a JSON object")
                                                    : parse.errorString();
    return std::nullopt;
}

} // namespace site::jsonfile
