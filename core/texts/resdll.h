#pragma once

#include "peresources.h"

#include <QString>

#include <memory>
#include <optional>

class QImage;
class QPainter;
class QPaintDevice;

// One language resource library: its strings by numeric ID, raw texts kept as
// custom resources, and its bitmaps. Every text the user sees in captions,
// labels, headers and messages comes through here.
class cResDll
{
public:
    cResDll() = default;
    ~cResDll();
    cResDll(const cResDll &) = delete;
    cResDll &operator=(const cResDll &) = delete;

    // The path of the loaded library; empty while none is loaded.
    QString filename() const { return mFilename; }
    // Releases the loaded library, then loads `path`. On failure the object
    // stays unloaded: filename() empty, hInstance() 0.
    void setFilename(const QString &path);
    // As setFilename, from the library's bytes already in memory; `name`
    // becomes filename(). Lets a caller that has no file (a fuzz target,
    // say) exercise exactly what loading from a file does.
    void setLibraryBytes(const QString &name, const QByteArray &bytes);
    // Non-zero while a library is loaded; each load gets a new value.
    qint32 hInstance() const { return mHInstance; }

    // Without ResName: string table entry ID, at most 255 characters, empty
    // when missing. With ResName: the whole custom resource ID of type
    // ResName, as 8-bit text in the local code page. Empty when nothing is
    // loaded.
    QString GetStr(qint32 ID, const QString &ResName = QString()) const;

    // The bitmap members need Qt GUI: they are defined in resdllbitmaps.cpp, in
    // the library tqresdllbitmaps, so that reading texts needs Qt Core alone.
    //
    // Loads bitmap "#ID" and keeps it under a new non-zero handle. On
    // failure iHandle is 0, iWidth and iHeight are left as they were.
    bool BmpGet(qint32 ID, qint32 &iWidth, qint32 &iHeight, qint32 &iHandle);
    // Copies bitmap hImage unscaled to (0, 0) of des_hdc, over the client
    // area of des_hwnd (the device des_hdc paints on, usually).
    void BmpDraw(const QPaintDevice *des_hwnd, QPainter &des_hdc, qint32 hImage) const;
    void BmpDelete(qint32 iImage);

    // The image behind a handle from BmpGet; null for an unknown handle.
    QImage bitmapImage(qint32 handle) const;

    static constexpr int maxStringLength = 255;
    // Bitmaps held at once; BmpGet fails beyond, so a leak cannot grow forever.
    static constexpr std::size_t maxBitmaps = 1024;

private:
    struct Bitmaps; // the images by handle, made by the first BmpGet

    void release();
    void load(const QString &name, std::optional<PeResources> library);

    QString mFilename;
    qint32 mHInstance = 0;
    std::optional<PeResources> mLibrary;
    std::shared_ptr<Bitmaps> mBitmaps; // deletes what it holds without knowing the type here
};

// The program's language library, loaded by Main at start-up and used by
// every window for its texts. Unloaded (all texts empty) until then.
extern cResDll gResDll;

// The language library's path beside the program.
QString langLibraryPath(const QString &programDir);

// Text ID of gResDll, or `english` where it has none (no library loaded, or
// one older than the text): a text added to the program is never blank.
QString textOr(qint32 ID, const QString &english);
