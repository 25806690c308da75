#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

namespace vlx::app {

// Runs f on the window's thread and returns when it has run: directly when called
// there, else as a blocking queued call (the worker waits, as the engine expects).
template <typename F>
void OnWindowThread(QObject* context, F&& f) {
  if (QThread::currentThread() == context->thread()) {
    f();
  } else {
    QMetaObject::invokeMethod(context, std::forward<F>(f), Qt::BlockingQueuedConnection);
  }
}

}  // namespace vlx::app
