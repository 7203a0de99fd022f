#include "core/job.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include "core/db.h"
#include "core/ui.h"

namespace job {

namespace {

int running = 0;

bool isCancel(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const Cancelled&) {
        return true;
    } catch (const DbError& d) {
        return d.kind() == DbError::Kind::Cancelled;
    } catch (...) {
        return false;
    }
}

}  // namespace

void Progress::setText(const QString& text) {
    std::lock_guard<std::mutex> lock(textLock_);
    text_ = text;
}

QString Progress::text() const {
    std::lock_guard<std::mutex> lock(textLock_);
    return text_;
}

void Progress::step(int value, const QString& text) {
    value_ = value;
    if (!text.isEmpty())
        setText(text);
    check();
}

void Progress::check() {
    if (turn)
        turn();
    if (cancelled_)
        throw Cancelled();
}

bool active() {
    return running > 0;
}

bool run(const QString& title, const std::function<void(Progress&)>& work) {
    std::unique_ptr<ui::ProgressWindow> window = ui::showProgress(title);
    Progress progress;
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    progress.turn = [&] {
        window->show(progress.value(), progress.maximum(), progress.text());
        if (window->cancelRequested())
            progress.cancel();
        // The window's own events (its "Отмена", repaints, timers, the window manager's ping), a moment at a time.
        if (sinceTurn.elapsed() >= 15) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            sinceTurn.restart();
            if (window->cancelRequested())
                progress.cancel();
        }
    };
    ++running;
    const auto done = qScopeGuard([] { --running; });
    // A statement that keeps the job waiting turns the loop too, and a cancel stops it on the server.
    Db::WaitHook previous = Db::setWaitHook([&progress] {
        progress.turn();
        return progress.cancelled();
    });
    const auto restore = qScopeGuard([&previous] { Db::setWaitHook(std::move(previous)); });
    try {
        work(progress);
    } catch (...) {
        if (isCancel(std::current_exception()))
            return false;
        throw;
    }
    return true;
}

bool runInThread(const QString& title, const std::function<void(Progress&)>& work) {
    std::unique_ptr<ui::ProgressWindow> window = ui::showProgress(title);
    Progress progress;
    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer tick;
    tick.setInterval(30);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        window->show(progress.value(), progress.maximum(), progress.text());
        if (window->cancelRequested())
            progress.cancel();
    });
    ++running;
    const auto done = qScopeGuard([] { --running; });
    // The window's first look comes before the job starts, so that a cancel then stops it before its first step.
    window->show(0, 0, progress.text());
    if (window->cancelRequested())
        progress.cancel();
    tick.start();
    thread->start();
    // Left only when the job's thread has ended (a queued quit may come before the loop runs: checked first).
    while (!thread->isFinished())
        loop.exec();
    thread->wait();
    window->show(progress.value(), progress.maximum(), progress.text());  // the count the job ended at
    if (failure) {
        if (isCancel(failure))
            return false;
        std::rethrow_exception(failure);
    }
    return true;
}

}  // namespace job
