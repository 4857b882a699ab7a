#include "runtime/progress.h"

#include <algorithm>

namespace fenrow {

namespace {

thread_local ProgressWatch* t_watch = nullptr;
thread_local bool t_reports = false;
// The current phase as a part of the whole work.
thread_local double t_from = 0, t_to = 1;

} // namespace

Watching::Watching(ProgressWatch* watch) : saved_{t_watch, t_reports, t_from, t_to}
{
    t_watch = watch;
    t_reports = watch != nullptr;
    t_from = 0;
    t_to = 1;
}

Watching::~Watching()
{
    t_watch = saved_.watch;
    t_reports = saved_.reports;
    t_from = saved_.from;
    t_to = saved_.to;
}

Helping::Helping(ProgressWatch* watch) : watch_(t_watch), reports_(t_reports)
{
    t_watch = watch;
    t_reports = false;
}

Helping::~Helping()
{
    t_watch = watch_;
    t_reports = reports_;
}

ProgressPhase::ProgressPhase(double from, double to) : from_(t_from), to_(t_to)
{
    const double span = to_ - from_;
    t_from = from_ + span * from;
    t_to = from_ + span * to;
}

ProgressPhase::~ProgressPhase()
{
    t_from = from_;
    t_to = to_;
}

ProgressWatch* current_watch() { return t_watch; }

void report_progress(double done)
{
    if (t_watch != nullptr && t_reports)
        t_watch->report(t_from + (t_to - t_from) * std::clamp(done, 0.0, 1.0));
}

void stop_point()
{
    if (t_watch != nullptr && t_watch->stop_asked())
        throw OperationStopped{};
}

void checkpoint(double done)
{
    report_progress(done);
    stop_point();
}

bool stop_asked() { return t_watch != nullptr && t_watch->stop_asked(); }

} // namespace fenrow
