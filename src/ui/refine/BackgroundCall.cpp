#include "BackgroundCall.h"

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

namespace koralix {

void TBackgroundCall::operator()(const std::function<void()>& call) {
    if (busy_) {
        call();
        return;
    }
    busy_ = true;
    QEventLoop loop;
    std::thread worker([&] {
        call();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    busy_ = false;
}

} // namespace koralix
