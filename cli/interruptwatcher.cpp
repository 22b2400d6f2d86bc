#include "interruptwatcher.h"

#include <atomic>
#include <csignal>

namespace {

// Only a lock-free atomic may be touched from a signal handler.
std::atomic<int> g_pending { 0 };
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

extern "C" void onInterrupt(int)
{
    g_pending.fetch_add(1);
    std::signal(SIGINT, onInterrupt);
}

// Often enough to feel immediate, rarely enough to cost nothing.
constexpr int kPollMs = 50;

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
{
    g_pending.store(0);
    std::signal(SIGINT, onInterrupt);
    connect(&m_poll, &QTimer::timeout, this, &InterruptWatcher::poll);
    m_poll.start(kPollMs);
}

InterruptWatcher::~InterruptWatcher()
{
    std::signal(SIGINT, SIG_DFL);
}

void InterruptWatcher::poll()
{
    for (int pending = g_pending.exchange(0); pending > 0; --pending)
        emit interrupted();
}
