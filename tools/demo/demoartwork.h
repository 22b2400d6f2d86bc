#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

struct DemoLens;

// What the demo's firmware server serves, made at build time: per lens a
// picture of our own, a firmware image and the query reply.
//
// The image is our own layout, laid out the way the program and the lens
// read it: bytes 0-15 a magic text, 32-63 the model name (zero-padded),
// 64-79 the version, then deterministic filler that never ends in a zero.
class DemoArtwork
{
public:
    // About 4700 packets: some ten seconds at a real lens's pace, long
    // enough to watch the progress.
    static constexpr int kImageSize = 256 * 1024;

    // Needs a QGuiApplication (fonts).
    static QImage lensPicture(const DemoLens &lens);
    static QByteArray firmwareImage(const DemoLens &lens, int size = kImageSize);
    // Release notes in Chinese and English, HTML.
    static QString releaseNotes(const DemoLens &lens);
    // The whole query reply, with "img" and "dat" naming files of the
    // lens's folder (as lens-fwserver --models expects).
    static QByteArray queryReply(const DemoLens &lens);

    // One folder per demo lens under `folder`: reply.json, picture.png,
    // firmware.dat. False with *error on failure.
    static bool writeModels(const QString &folder, QString *error);
};
