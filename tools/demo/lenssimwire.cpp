#include "lenssimwire.h"

#include <QtEndian>

QString LensSimWire::defaultServerName()
{
    return QStringLiteral("lens-sim");
}

QByteArray LensSimWire::frame(const QByteArray &body)
{
    QByteArray message(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), message.data());
    message.append(body);
    return message;
}

bool LensSimWire::takeMessage(QByteArray &buffer, QByteArray *body, bool *bad)
{
    *bad = false;
    if (buffer.size() < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > MaxMessage) {
        *bad = true;
        return false;
    }
    if (quint32(buffer.size()) - 4 < length)
        return false;
    *body = buffer.mid(4, int(length));
    buffer.remove(0, int(length) + 4);
    return true;
}
