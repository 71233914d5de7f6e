#include "peresources.h"

#include "langid.h"

#include <QtEndian>

#include <algorithm>

// ---------------------------------------------------------------------------
// ResourceId

ResourceId ResourceId::number(quint16 value)
{
    ResourceId id;
    id.mNumber = value;
    return id;
}

std::optional<ResourceId> ResourceId::fromId(qint32 id)
{
    if (id < 0 || id > 0xFFFF)
        return std::nullopt;
    return number(quint16(id));
}

ResourceId ResourceId::text(const QString &value)
{
    ResourceId id;
    id.mText = value;
    return id;
}

ResourceId ResourceId::parse(const QString &value)
{
    if (value.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint n = value.mid(1).toUInt(&ok, 10);
        if (ok && n <= 0xFFFF)
            return number(quint16(n));
    }
    return text(value);
}

bool ResourceId::matches(const ResourceId &other) const
{
    if (mNumber || other.mNumber)
        return mNumber == other.mNumber;
    return mText.compare(other.mText, Qt::CaseInsensitive) == 0;
}

namespace {

// ---------------------------------------------------------------------------
// Bounds-checked little-endian reads. A read outside the bytes yields 0 and
// marks the reader failed, so a block of reads needs one check at its end.

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : mBytes(bytes) {}

    bool contains(quint64 offset, quint64 size) const
    {
        const quint64 total = quint64(mBytes.size());
        return offset <= total && size <= total - offset;
    }
    quint16 u16(quint64 offset) { return read<quint16>(offset); }
    quint32 u32(quint64 offset) { return read<quint32>(offset); }
    bool failed() const { return mFailed; }
    QByteArrayView bytes() const { return mBytes; }

    // UTF-16 text of `count` units at `offset`; empty and failed when outside.
    QString utf16(quint64 offset, quint64 count)
    {
        if (!contains(offset, count * 2)) {
            mFailed = true;
            return {};
        }
        QString text(qsizetype(count), Qt::Uninitialized);
        for (quint64 i = 0; i < count; ++i)
            text[qsizetype(i)] = QChar(u16(offset + 2 * i));
        return text;
    }

private:
    template <typename T> T read(quint64 offset)
    {
        if (!contains(offset, sizeof(T))) {
            mFailed = true;
            return 0;
        }
        return qFromLittleEndian<T>(mBytes.data() + offset);
    }

    QByteArrayView mBytes;
    bool mFailed = false;
};

// ---------------------------------------------------------------------------
// PE headers: where the sections lie in the file and where the resource
// directory begins.

struct Section
{
    quint32 virtualAddress = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

struct Layout
{
    std::vector<Section> sections;
    quint32 resourceRva = 0;
    quint32 resourceSize = 0;
};

constexpr quint16 dosMagic = 0x5A4D;    // "MZ"
constexpr quint32 peMagic = 0x00004550; // "PE\0\0"
constexpr quint16 pe32Magic = 0x10B;
constexpr quint16 pe32PlusMagic = 0x20B;
constexpr quint32 resourceDirectoryIndex = 2;
constexpr quint16 maxSections = 96; // the system loader's own limit
constexpr quint32 sectionHeaderSize = 40;

std::optional<Layout> readSections(Reader &file, quint64 tableOffset, quint16 count)
{
    if (count > maxSections || !file.contains(tableOffset, quint64(count) * sectionHeaderSize))
        return std::nullopt;
    Layout layout;
    for (quint16 i = 0; i < count; ++i) {
        const quint64 at = tableOffset + quint64(i) * sectionHeaderSize;
        layout.sections.push_back({file.u32(at + 12), file.u32(at + 16), file.u32(at + 20)});
    }
    return layout;
}

std::optional<Layout> readLayout(Reader &file)
{
    if (file.u16(0) != dosMagic)
        return std::nullopt;
    const quint64 pe = file.u32(0x3C);
    if (file.u32(pe) != peMagic)
        return std::nullopt;
    const quint64 coff = pe + 4;
    const quint16 sectionCount = file.u16(coff + 2);
    const quint16 optionalSize = file.u16(coff + 16);
    const quint64 optional = coff + 20;
    const quint16 magic = file.u16(optional);
    if (file.failed() || (magic != pe32Magic && magic != pe32PlusMagic))
        return std::nullopt;
    const quint64 countAt = magic == pe32Magic ? 92 : 108;
    const quint64 directoriesAt = countAt + 4;
    const quint64 resourceAt = directoriesAt + 8 * resourceDirectoryIndex;
    if (optionalSize < resourceAt + 8 || file.u32(optional + countAt) <= resourceDirectoryIndex)
        return std::nullopt;
    auto layout = readSections(file, optional + optionalSize, sectionCount);
    if (!layout)
        return std::nullopt;
    layout->resourceRva = file.u32(optional + resourceAt);
    layout->resourceSize = file.u32(optional + resourceAt + 4);
    if (file.failed())
        return std::nullopt;
    return layout;
}

// The file bytes at `rva` that the file really holds, up to `maxSize`; the
// offset in the file and the available size, or nullopt when `rva` lies in
// no section's data.
struct Span
{
    quint64 offset = 0;
    quint64 size = 0;
};

std::optional<Span> mapRva(const Layout &layout, const Reader &file, quint32 rva, quint64 maxSize)
{
    for (const Section &s : layout.sections) {
        if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize)
            continue;
        const quint64 into = rva - s.virtualAddress;
        const quint64 offset = quint64(s.rawOffset) + into;
        const quint64 fileLeft = file.contains(offset, 0) ? file.bytes().size() - offset : 0;
        return Span{offset, std::min({maxSize, s.rawSize - into, fileLeft})};
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// The resource directory tree: type, then name, then language. Walked to
// exactly that depth; a directory met again on its own path, an entry of the
// wrong kind at a level, or more than maxDirectoryEntries entries in all fail
// the whole tree.

constexpr quint32 highBit = 0x80000000u;
constexpr quint32 directoryHeaderSize = 16;
constexpr quint32 directoryEntrySize = 8;
constexpr quint32 dataEntrySize = 16;
constexpr int languageLevel = 2;

class TreeWalker
{
public:
    TreeWalker(const Layout &layout, Reader &file, Reader resources)
        : mLayout(layout), mFile(file), mRsrc(resources)
    {
    }

    std::optional<std::vector<PeResources::Entry>> walk()
    {
        if (!directory(0, 0))
            return std::nullopt;
        return std::move(mEntries);
    }

private:
    bool directory(quint32 offset, int level)
    {
        if (std::find(mOpen.begin(), mOpen.end(), offset) != mOpen.end())
            return false;
        const quint64 count =
            quint64(mRsrc.u16(quint64(offset) + 12)) + mRsrc.u16(quint64(offset) + 14);
        if (!mRsrc.contains(offset, directoryHeaderSize + count * directoryEntrySize))
            return false;
        mOpen.push_back(offset);
        for (quint64 i = 0; i < count; ++i) {
            const quint64 at = offset + directoryHeaderSize + i * directoryEntrySize;
            if (++mVisited > PeResources::maxDirectoryEntries ||
                !entry(mRsrc.u32(at), mRsrc.u32(at + 4), level))
                return false;
        }
        mOpen.pop_back();
        return true;
    }

    bool entry(quint32 name, quint32 target, int level)
    {
        const bool isDirectory = target & highBit;
        if (level == languageLevel)
            return !isDirectory && !(name & highBit) && leaf(quint16(name), target);
        if (!isDirectory)
            return false;
        const auto id = readName(name);
        if (!id)
            return false;
        mPath[level] = *id;
        return directory(target & ~highBit, level + 1);
    }

    std::optional<ResourceId> readName(quint32 field)
    {
        if (!(field & highBit))
            return ResourceId::number(quint16(field));
        const quint32 offset = field & ~highBit;
        const QString text = mRsrc.utf16(quint64(offset) + 2, mRsrc.u16(offset));
        if (mRsrc.failed())
            return std::nullopt;
        return ResourceId::text(text);
    }

    // A data entry whose bytes lie outside the file is left out, so looking
    // it up finds nothing; the rest of the library stays usable.
    bool leaf(quint16 language, quint32 offset)
    {
        if (!mRsrc.contains(offset, dataEntrySize))
            return false;
        const quint32 rva = mRsrc.u32(offset);
        const quint32 size = mRsrc.u32(offset + 4);
        const auto span = mapRva(mLayout, mFile, rva, size);
        if (span && span->size == size)
            mEntries.push_back({mPath[0], mPath[1], language, qsizetype(span->offset), size});
        return true;
    }

    const Layout &mLayout;
    Reader &mFile;
    Reader mRsrc;
    ResourceId mPath[languageLevel];
    std::vector<quint32> mOpen;
    int mVisited = 0;
    std::vector<PeResources::Entry> mEntries;
};

constexpr int stringsPerBundle = 16;

// How well a resource stored in `language` suits a user whose UI language is
// `user`: the lowest rank wins, the first stored among equals. This is the
// system loader's order for a load that names no language (string and
// resource loads ask for LANG_NEUTRAL/SUBLANG_NEUTRAL, 0x0000): that language
// itself, the user's UI language, its primary language with the neutral
// sublanguage, English (United States), then the first language stored. Left
// out are the loader's steps for the locales (the thread's, the user's and the
// system's formats, each with its primary language). Added before English: any other sublanguage of
// the user's primary language, so a user in Austria gets a library's German (Germany), not its
// English. 0x0400 and 0x0800 (the user's and the system's default) stand for a language only in a
// request; a resource stored under them is, as for the loader, in a language like any other. A user
// language whose primary language is neutral counts as none.
int languageRank(quint16 language, quint16 user)
{
    const quint16 userPrimary = langid::primary(user);
    if (language == langid::neutral)
        return 0;
    if (userPrimary != langid::neutral) {
        if (language == user)
            return 1;
        if (language == langid::make(userPrimary, langid::neutralSublanguage))
            return 2;
        if (langid::primary(language) == userPrimary)
            return 3;
    }
    if (language == langid::englishUs)
        return 4;
    return 5;
}

} // namespace

// ---------------------------------------------------------------------------
// PeResources

PeResources::PeResources(QByteArray bytes, std::vector<Entry> entries)
    : mBytes(std::move(bytes)), mEntries(std::move(entries))
{
}

std::optional<PeResources> PeResources::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() > maxFileSize)
        return std::nullopt;
    Reader file(bytes);
    const auto layout = readLayout(file);
    if (!layout)
        return std::nullopt;
    if (layout->resourceRva == 0 || layout->resourceSize == 0)
        return PeResources(bytes, {}); // a library without resources
    const auto span = mapRva(*layout, file, layout->resourceRva, layout->resourceSize);
    if (!span)
        return std::nullopt;
    Reader resources(QByteArrayView(bytes).sliced(qsizetype(span->offset), qsizetype(span->size)));
    auto entries = TreeWalker(*layout, file, resources).walk();
    if (!entries)
        return std::nullopt;
    return PeResources(bytes, std::move(*entries));
}

const PeResources::Entry *PeResources::find(const ResourceId &type, const ResourceId &name) const
{
    const Entry *best = nullptr;
    int bestRank = 0;
    for (const Entry &e : mEntries) {
        if (!e.type.matches(type) || !e.name.matches(name))
            continue;
        const int rank = languageRank(e.language, mUserLanguage);
        if (!best || rank < bestRank) {
            best = &e;
            bestRank = rank;
        }
    }
    return best;
}

std::optional<QByteArray> PeResources::data(const ResourceId &type, const ResourceId &name) const
{
    const Entry *e = find(type, name);
    if (!e)
        return std::nullopt;
    return mBytes.mid(e->offset, e->size);
}

// Strings are stored in bundles of 16, each a 16-bit length and that many
// UTF-16 units; bundle n holds the IDs 16(n-1) to 16(n-1)+15.
std::optional<QString> PeResources::string(quint32 id) const
{
    if (id > 0xFFFF)
        return std::nullopt;
    const auto bundle =
        data(ResourceId::number(resourcetype::string), ResourceId::number(quint16((id >> 4) + 1)));
    if (!bundle)
        return std::nullopt;
    Reader reader(*bundle);
    quint64 at = 0;
    for (quint32 i = 0; i < id % stringsPerBundle; ++i)
        at += 2 + 2 * quint64(reader.u16(at));
    const QString text = reader.utf16(at + 2, reader.u16(at));
    if (reader.failed() || text.isEmpty())
        return std::nullopt;
    return text;
}
