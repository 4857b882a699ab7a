// A long piece of work the user watches and may stop. The window lends a
// watch to the work it runs (on its user-interface thread, or on a job's
// worker); the engines' checkpoints tell it how far they got and end the work
// once the user asked it to stop. The pool's runs are checkpoints of their
// own. Without a watch (the command line, tests of the engines) a checkpoint
// is one thread-local read.
#pragma once

#include <atomic>

namespace fenrow {

// Thrown by a checkpoint once the user asked the work to stop. Whoever lent
// the watch catches it and puts back what the work had written.
struct OperationStopped {};

class ProgressWatch {
public:
    virtual ~ProgressWatch() = default;
    // How far the work got, 0 to 1, on the thread that works for the watch
    // (Watching), between pieces of the work; never throws.
    virtual void report(double done) = 0;
    // From any thread.
    void ask_to_stop() { stop_.store(true, std::memory_order_relaxed); }
    bool stop_asked() const { return stop_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stop_{false};
};

// The calling thread works for the watch while this lives: its checkpoints
// report to it. nullptr: the work is not watched.
class Watching {
public:
    explicit Watching(ProgressWatch* watch);
    ~Watching();
    Watching(const Watching&) = delete;
    Watching& operator=(const Watching&) = delete;

private:
    struct Saved {
        ProgressWatch* watch;
        bool reports;
        double from, to;
    } saved_;
};

// A thread of the pool doing a piece of watched work: its checkpoints only
// stop it, the watching thread reports.
class Helping {
public:
    explicit Helping(ProgressWatch* watch);
    ~Helping();
    Helping(const Helping&) = delete;
    Helping& operator=(const Helping&) = delete;

private:
    ProgressWatch* watch_;
    bool reports_;
};

// A phase of the work: the checkpoints within it cover from … to of the
// phase around it (of the whole work, outside any).
class ProgressPhase {
public:
    ProgressPhase(double from, double to);
    ~ProgressPhase();
    ProgressPhase(const ProgressPhase&) = delete;
    ProgressPhase& operator=(const ProgressPhase&) = delete;

private:
    double from_, to_;
};

// The watch the calling thread works or helps for; nullptr when none.
ProgressWatch* current_watch();
// done of the current phase (0 to 1) reported, where the thread reports;
// then OperationStopped thrown once the user asked to stop.
void checkpoint(double done);
// The same, without the report.
void stop_point();
// The report alone, for work that ends in its own way when asked to stop.
void report_progress(double done);
// Whether the user asked the work the calling thread does to stop.
bool stop_asked();

} // namespace fenrow
