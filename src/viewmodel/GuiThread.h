#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <utility>

namespace optara {

// Calls call on the GUI thread from any thread, unless receiver is gone by
// then. Through the application object, which outlives every receiver: a
// receiver may be destroyed on the GUI thread while the call is on its way.
template <typename Receiver, typename Call> void callOnGuiThread(QPointer<Receiver> receiver, Call call)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver = std::move(receiver), call = std::move(call)]() mutable {
            if (receiver)
                call();
        },
        Qt::QueuedConnection);
}

} // namespace optara
