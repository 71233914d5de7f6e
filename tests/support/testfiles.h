#pragma once

// Files and hand-made bytes for the tests.

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QTest>
#include <initializer_list>
#include <utility>

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

// `size` bytes, zero but at the positions named.
inline QByteArray bytesAt(qsizetype size, std::initializer_list<std::pair<int, int>> bytes)
{
    QByteArray result(size, '\0');
    for (const auto &[offset, value] : bytes)
        result[offset] = static_cast<char>(value);
    return result;
}

inline QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}
