#include "app/qt/ui_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>
#include <utility>

namespace fenrow {

// A call handed from a worker to the user-interface thread; the worker waits
// for its promise.
class UiThread::Call : public QEvent {
public:
    static QEvent::Type type()
    {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    Call(std::function<void()> f, std::promise<void>& done) : QEvent(type()), f_(std::move(f)), done_(done) {}
    Call(Call&& other) noexcept
        : QEvent(type()), f_(std::move(other.f_)), done_(other.done_), pending_(std::exchange(other.pending_, false))
    {
    }
    // A call dropped unrun releases its worker.
    ~Call() override
    {
        if (pending_)
            done_.set_value();
    }
    void run()
    {
        pending_ = false;
        try {
            f_();
            done_.set_value();
        } catch (...) {
            done_.set_exception(std::current_exception());
        }
    }

private:
    std::function<void()> f_;
    std::promise<void>& done_;
    bool pending_ = true;
};

UiThread::UiThread() = default;

UiThread::~UiThread() { close(); }

bool UiThread::here() const { return QThread::currentThread() == thread(); }

bool UiThread::post(std::function<void()> f, std::promise<void>& done)
{
    const std::lock_guard lock(mutex_);
    if (closed_)
        return false;
    QCoreApplication::postEvent(this, new Call(std::move(f), done));
    return true;
}

bool UiThread::event(QEvent* e)
{
    if (e->type() != Call::type())
        return QObject::event(e);
    auto* call = static_cast<Call*>(e);
    if (holds_ > 0) {
        // Posted events are deleted once handled: keep the call to run later.
        held_.push_back(std::make_unique<Call>(std::move(*call)));
        return true;
    }
    call->run();
    return true;
}

UiThread::Hold::~Hold()
{
    if (--t_.holds_ > 0)
        return;
    std::vector<std::unique_ptr<Call>> calls;
    calls.swap(t_.held_);
    for (const auto& call : calls)
        call->run();
}

void UiThread::run_aside(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread aside([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection); // wakes the loop below
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    aside.join();
    if (failure)
        std::rethrow_exception(failure);
}

void UiThread::close()
{
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    QCoreApplication::removePostedEvents(this, Call::type()); // deleting them releases their workers
    held_.clear();
}

} // namespace fenrow
