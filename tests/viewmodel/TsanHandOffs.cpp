// ThreadSanitizer build only. Qt is not instrumented, so the sanitizer sees
// neither its thread pool handing a job to a thread nor a future handing a
// result back. These stand-ins for the Qt functions our code calls at each
// hand-off mark it, one release before and one acquire after, then call Qt's.

#include <QCoreApplication>
#include <QEvent>
#include <QFutureInterfaceBase>
#include <QObject>
#include <QThreadPool>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

#include <functional>
#include <utility>

namespace {

// One mark for every hand-off: coarser than one per job, so it can hide a race
// that only timing orders, but never reports one that Qt's locks prevent.
char handOff;

template <typename Function> Function qt(const char* symbol)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, symbol));
}

// A call queued to the GUI thread, such as a future's continuation, is
// delivered as a meta-call event; it sees what was done before it was queued.
class QueuedCallAcquire : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            __tsan_acquire(&handOff);
        return false;
    }
};

void watchQueuedCalls()
{
    QCoreApplication::instance()->installEventFilter(new QueuedCallAcquire);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchQueuedCalls)

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* call, Qt::ConnectionType type,
                                   void* ret)
{
    static const auto real = qt<bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*)>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    __tsan_release(&handOff);
    return real(object, call, type, ret);
}

// The job side of QtConcurrent::run: a task's run() begins with this.
bool QFutureInterfaceBase::isCanceled() const
{
    static const auto real =
        qt<bool (*)(const QFutureInterfaceBase*)>("_ZNK20QFutureInterfaceBase10isCanceledEv");
    __tsan_acquire(&handOff);
    return real(this);
}

void QFutureInterfaceBase::reportStarted()
{
    static const auto real =
        qt<void (*)(QFutureInterfaceBase*)>("_ZN20QFutureInterfaceBase13reportStartedEv");
    __tsan_release(&handOff);
    real(this);
}

void QFutureInterfaceBase::reportFinished()
{
    static const auto real =
        qt<void (*)(QFutureInterfaceBase*)>("_ZN20QFutureInterfaceBase14reportFinishedEv");
    __tsan_release(&handOff);
    real(this);
}

// A continuation is stored by one thread and run by the one that finishes
// the future, or at once by the one storing it.
void QFutureInterfaceBase::setContinuation(std::function<void(const QFutureInterfaceBase&)> func)
{
    static const auto real =
        qt<void (*)(QFutureInterfaceBase*, std::function<void(const QFutureInterfaceBase&)>)>(
            "_ZN20QFutureInterfaceBase15setContinuationESt8functionIFvRKS_EE");
    __tsan_release(&handOff);
    real(this, std::move(func));
}

void QFutureInterfaceBase::setContinuation(std::function<void(const QFutureInterfaceBase&)> func,
                                           QFutureInterfaceBasePrivate* continuationFutureData)
{
    static const auto real =
        qt<void (*)(QFutureInterfaceBase*, std::function<void(const QFutureInterfaceBase&)>,
                    QFutureInterfaceBasePrivate*)>(
            "_ZN20QFutureInterfaceBase15setContinuationESt8functionIFvRKS_EEP27QFutureInterfaceBasePrivate");
    __tsan_release(&handOff);
    real(this, std::move(func), continuationFutureData);
}

void QFutureInterfaceBase::runContinuation() const
{
    static const auto real =
        qt<void (*)(const QFutureInterfaceBase*)>("_ZNK20QFutureInterfaceBase15runContinuationEv");
    __tsan_acquire(&handOff);
    real(this);
}

// The receiving side of a result: result() and takeResult() wait here first.
void QFutureInterfaceBase::waitForResult(int resultIndex)
{
    static const auto real =
        qt<void (*)(QFutureInterfaceBase*, int)>("_ZN20QFutureInterfaceBase13waitForResultEi");
    real(this, resultIndex);
    __tsan_acquire(&handOff);
}

// The last owner of a future's state frees it, on whichever thread.
bool QFutureInterfaceBase::derefT() const noexcept
{
    static const auto real = qt<bool (*)(const QFutureInterfaceBase*)>("_ZNK20QFutureInterfaceBase6derefTEv");
    __tsan_release(&handOff);
    const bool referenced = real(this);
    __tsan_acquire(&handOff);
    return referenced;
}

void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    static const auto real =
        qt<void (*)(QThreadPool*, std::function<void()>, int)>("_ZN11QThreadPool5startESt8functionIFvvEEi");
    std::function<void()> marked = [job = std::move(functionToRun)] {
        __tsan_acquire(&handOff);
        job();
    };
    __tsan_release(&handOff);
    real(this, std::move(marked), priority);
}
