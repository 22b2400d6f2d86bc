#pragma once

#include <QSharedMemory>
#include <QString>

// Keeps a second copy of the program from running: the first one creates a
// 1-byte shared-memory segment under a fixed key and keeps it until it ends;
// a later start finds the segment and is refused.
//
// On Unix a System V segment outlives a process that never detached from it
// (a crash, SIGKILL, or simply exit without tearing the guard down). Such a
// segment has no attachments left; acquire() recognises that, removes it and
// tries once more, so only a live holder refuses the start.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);

    // Creates the segment. False when another process holds it or the
    // segment cannot be created for any other reason.
    bool acquire();

    bool isHeld() const;
    QString key() const;
    QString errorString() const;

    // The program's own guard ("SingleApp"). Created on first use and held
    // until the process exits.
    static SingleInstanceGuard &application();

private:
    bool removeIfAbandoned();

    QSharedMemory m_memory;
    bool m_held = false;

    Q_DISABLE_COPY(SingleInstanceGuard)
};
