#include "singleinstanceguard.h"

#include "applog.h"

#include <cstdlib>

SingleInstanceGuard::SingleInstanceGuard(const QString &key)
    : m_memory(key)
{
}

bool SingleInstanceGuard::acquire()
{
    if (m_held)
        return true;
    if (m_memory.create(1, QSharedMemory::ReadWrite)) {
        m_held = true;
        return true;
    }
    if (m_memory.error() == QSharedMemory::AlreadyExists && removeIfAbandoned()
        && m_memory.create(1, QSharedMemory::ReadWrite)) {
        qCInfo(lcApp) << "removed an abandoned instance guard" << m_memory.key();
        m_held = true;
        return true;
    }
    qCDebug(lcApp) << "instance guard" << m_memory.key() << "not acquired:" << m_memory.errorString();
    return false;
}

bool SingleInstanceGuard::removeIfAbandoned()
{
#ifdef Q_OS_UNIX
    // Attaching and detaching again removes the segment when nobody else is
    // attached: QSharedMemory::detach() marks a System V segment for removal
    // once its attach count drops to zero. A live holder stays attached, so
    // its segment survives this and the second create() fails as it should.
    // Both calls take the key's system semaphore, so a holder half-way
    // through its own create() is not mistaken for an abandoned one.
    QSharedMemory probe(m_memory.key());
    if (!probe.attach(QSharedMemory::ReadOnly))
        return probe.error() == QSharedMemory::NotFound;
    return probe.detach();
#else
    // Elsewhere the segment ends with the last handle to it.
    return false;
#endif
}

bool SingleInstanceGuard::isHeld() const
{
    return m_held;
}

QString SingleInstanceGuard::key() const
{
    return m_memory.key();
}

QString SingleInstanceGuard::errorString() const
{
    return m_memory.errorString();
}

namespace {
SingleInstanceGuard *applicationGuard = nullptr;

void releaseApplicationGuard()
{
    delete applicationGuard;
    applicationGuard = nullptr;
}
} // namespace

SingleInstanceGuard &SingleInstanceGuard::application()
{
    // Kept for the whole life of the process and let go only as it exits,
    // after main() has returned: a System V segment and its lock would
    // otherwise stay behind on Unix after every run.
    static SingleInstanceGuard *const guard = [] {
        applicationGuard = new SingleInstanceGuard(QStringLiteral("SingleApp"));
        std::atexit(releaseApplicationGuard);
        return applicationGuard;
    }();
    return *guard;
}
