// Waiting for a condition while the event loop runs: the one wait of the link code.
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>

// Runs the event loop until done() holds (checked at once and each time sender emits signal)
// or timeoutMs milliseconds have passed; returns done() at the end. flags choose which events
// run meanwhile (ExcludeUserInputEvents keeps the operator's clicks for later).
template <typename Sender, typename Signal>
bool waitForCondition(const Sender *sender, Signal signal, const std::function<bool()> &done,
                      int timeoutMs, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    limit.start(timeoutMs);
    loop.exec(flags);
    return done();
}
