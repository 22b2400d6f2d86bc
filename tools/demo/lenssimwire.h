#pragma once

#include <QByteArray>
#include <QString>

// The little protocol between the socket hidapi (in the program) and
// lens-sim (the process that holds the simulated lens), over a local socket.
//
// Every message is a 32-bit big-endian length followed by that many bytes,
// written with QDataStream (Qt 5.15 format). A request starts with its Op;
// a reply with a qint32 result, followed by the op's own fields:
//
//   Hello    (quint32 version)                 -> version,      quint64 session
//   Open     (quint16 vid, quint16 pid, QString serial) -> 1/0,  quint64 handle
//   Close    (quint64 handle)                  -> 0
//   Write    (quint64 handle, QByteArray data) -> hid_write's result
//   Read     (quint64 handle, quint32 length, qint32 timeoutMs)
//                                              -> hid_read_timeout's result, QByteArray data
//   SendFeatureReport (quint64 handle, QByteArray data) -> result
//   GetFeatureReport  (quint64 handle, quint32 length, quint8 reportId) -> result, QByteArray data
//   GetString (quint64 handle, quint8 which)   -> 0/-1,          QString text
//   Probe    (quint16 vid, quint16 pid)        -> 1/0,  QString manufacturer, product, serial
//
// One connection carries one call at a time; the client keeps a connection
// per thread, so a read blocked on the reader thread never holds up a
// write from the GUI thread. The session number tells handles of one
// lens-sim run from those of an earlier one.
class LensSimWire
{
public:
    enum Op : quint8 {
        Hello = 1,
        Open,
        Close,
        Write,
        Read,
        SendFeatureReport,
        GetFeatureReport,
        GetString,
        Probe,
    };

    static constexpr quint32 Version = 1;
    // No message of this protocol comes near this; a longer one is garbage.
    static constexpr quint32 MaxMessage = 64 * 1024;

    // The server name used when nobody names one.
    static QString defaultServerName();

    // The body behind its length.
    static QByteArray frame(const QByteArray &body);
    // Takes the first complete message off the front of `buffer` into
    // `body`. False while incomplete, and with *bad set when the buffer
    // cannot be a message of this protocol.
    static bool takeMessage(QByteArray &buffer, QByteArray *body, bool *bad);
};
