#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// Helpers for driving the real main window in tests.
class WindowHarness
{
public:
    // Once per test program, after the application object exists: the
    // font substitutes main() installs, and the window's log kept quiet
    // (LENS_APP_LOG=1 prints it).
    // Also calls isolateVolumes().
    static void initApplication();

    // The window watches every mounted volume. As root, this process gets a
    // mount namespace of its own: volumes mounted by other programs later
    // stay out of sight, lens volumes already mounted by them are detached
    // here (only here), and this process's own volumes stay its own. Call
    // on the main thread before any worker thread starts. False when that
    // is not possible; the tests then rely on running one at a time.
    static bool isolateVolumes();

    // A form widget by object name. The overlays reuse some names
    // (label_hint), so only the title bar and the central area are searched.
    static QWidget *part(QWidget *window, const QString &name);
    template <typename T> static T *part(QWidget *window, const QString &name)
    {
        return qobject_cast<T *>(part(window, name));
    }
    // Text of a label, button or text box of the form.
    static QString text(QWidget *window, const QString &name);
    static bool isShown(QWidget *window, const QString &name);

    // "link", "ready", "finished" or "updating".
    static QString page(QWidget *window);

    // Clicks `button` (when enabled) until `done` holds, at most timeoutMs.
    static bool clickUntil(QWidget *button, const std::function<bool()> &done, int timeoutMs = 15000);

    // A firmware image of `size` bytes whose header names `modelName` in the
    // 32-byte field at offset 32 (or the 16-byte field at offset 16), the
    // other bytes a pseudo-random pattern drawn from `seed`, the last byte
    // never zero.
    static QByteArray firmwareImage(
        const QString &modelName, int size, quint32 seed = 1, bool shortHeader = false);
    // A 260 x 370 PNG picture of a lens, in the given colour.
    static QByteArray lensPicture(const QColor &colour = QColor(0x4A, 0x8F, 0xD8));
};
