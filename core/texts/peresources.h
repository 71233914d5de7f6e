#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

class QImage;

// A resource type or name inside a resource library: either a 16-bit number
// or a text, the way the resource tools store them. Texts compare without
// regard to case, like the system's own resource lookup.
class ResourceId
{
public:
    static ResourceId number(quint16 value);
    // The number of a 32-bit ID; empty outside 0 to 65535, which the system
    // would alias to ID & 0xFFFF.
    static std::optional<ResourceId> fromId(qint32 id);
    static ResourceId text(const QString &value);
    // "#123" names the number 123; anything else is a text.
    static ResourceId parse(const QString &value);

    bool matches(const ResourceId &other) const;

private:
    std::optional<quint16> mNumber;
    QString mText;
};

// Standard resource types this program reads.
namespace resourcetype {
inline constexpr quint16 bitmap = 2;
inline constexpr quint16 string = 6;
} // namespace resourcetype

// Reads the resources of a PE (32- or 64-bit) library from its bytes, with
// no help from the operating system. The bytes are untrusted: anything
// malformed makes fromBytes() fail or a lookup come back empty; no read ever
// leaves the file and all work is bounded.
class PeResources
{
public:
    // Larger files are refused outright; a language library is a few kB.
    static constexpr qsizetype maxFileSize = 64 * 1024 * 1024;
    // Upper bound on resource directory entries looked at while loading.
    static constexpr int maxDirectoryEntries = 65536;

    static std::optional<PeResources> fromBytes(const QByteArray &bytes);

    // The user's UI language (a Windows language ID, 0 for none): where a
    // resource is stored in several languages, lookups take the one that
    // suits this user best (see languageRank in peresources.cpp).
    void setUserLanguage(quint16 language) { mUserLanguage = language; }

    // The raw bytes of resource `name` of type `type`; nullopt when missing.
    std::optional<QByteArray> data(const ResourceId &type, const ResourceId &name) const;
    // String table entry `id`; nullopt when the library has no such entry.
    std::optional<QString> string(quint32 id) const;
    // Bitmap resource `name` as an image; a null image when missing or in a
    // form the reader does not support. Images need Qt GUI, so this and
    // imageFromDib are defined in dib.cpp, in the library tqresdllbitmaps.
    QImage bitmap(const ResourceId &name) const;

    struct Entry
    {
        ResourceId type;
        ResourceId name;
        quint16 language = 0;
        qsizetype offset = 0; // in the file, already checked to lie inside it
        qsizetype size = 0;
    };

private:
    explicit PeResources(QByteArray bytes, std::vector<Entry> entries);
    const Entry *find(const ResourceId &type, const ResourceId &name) const;

    QByteArray mBytes;
    std::vector<Entry> mEntries;
    quint16 mUserLanguage = 0;
};

// Turns a device-independent bitmap as stored in a bitmap resource (info
// header, colour table, pixels; no file header) into an image. Supports
// uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel; anything else, or a
// block too short for its header's claims, gives a null image.
QImage imageFromDib(QByteArrayView dib);
