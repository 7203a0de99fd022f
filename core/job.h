#pragma once

#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>

// Long jobs (the month rebuild, the import, the exports, writing a PDF, printing): a progress window that counts
// and can be cancelled, and an event loop that keeps turning while the job works, so the window answers.
namespace job {

// Thrown by Progress::step() once the user cancelled; job::run() ends the job quietly on it.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// What a job reports. step() and check() are its points of cancelling: a job calls them only where it can stop
// with everything as it was (inside a transaction that its guard then rolls back, before a file is renamed).
// Safe to use from the job's own thread.
class Progress {
public:
    void setMaximum(int maximum) { maximum_ = maximum; }
    void setText(const QString& text);
    // Counts value done; throws Cancelled when the user cancelled.
    void step(int value, const QString& text = {});
    void check();
    bool cancelled() const { return cancelled_; }
    void cancel() { cancelled_ = true; }

    int value() const { return value_; }
    int maximum() const { return maximum_; }
    QString text() const;

    // Turns the window thread's event loop (set by job::run for a job on the window thread).
    std::function<void()> turn;

private:
    std::atomic<int> value_{0}, maximum_{0};
    std::atomic<bool> cancelled_{false};
    mutable std::mutex textLock_;
    QString text_;
};

// Runs work on the window thread with the progress window up. While the job waits for the server, and at every
// step, pending events are handled; a cancel stops a running statement on the server (Db turns it into
// DbError::Kind::Cancelled). False when the user cancelled; every other error is thrown on.
bool run(const QString& title, const std::function<void(Progress&)>& work);

// The same with work on a thread of its own (it must use no connection or widget of the window thread); the
// window thread shows the progress meanwhile. False when cancelled; an error of the job is thrown on here.
bool runInThread(const QString& title, const std::function<void(Progress&)>& work);

// True while a job runs: timers that would use the busy connection skip their turn.
bool active();

}  // namespace job
