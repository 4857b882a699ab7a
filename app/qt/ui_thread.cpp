#include "app/qt/ui_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <exception>
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
    static_cast<Call*>(e)->run();
    return true;
}

void UiThread::close()
{
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    QCoreApplication::removePostedEvents(this, Call::type()); // deleting them releases their workers
}

} // namespace fenrow
