#include "core/download/transferworker.h"

namespace clipvane {

TransferWorker::TransferWorker(QObject* parent) : QThread(parent)
{
    // Made on the main thread, where this object lives: both land there.
    connect(this, &TransferWorker::countChanged, this, &TransferWorker::publishCount,
            Qt::QueuedConnection);
    connect(this, &TransferWorker::copyEnded, this, &TransferWorker::deliverEnd,
            Qt::QueuedConnection);
    // Self-freeing: the object goes once its thread has really ended, joined,
    // not merely announced its end.
    connect(this, &QThread::finished, this, [this] {
        wait();
        deleteLater();
    });
}

void TransferWorker::setCount(std::int64_t bytes, std::int64_t milliseconds)
{
    m_bytesDone.store(bytes);
    m_millisecondsDone.store(milliseconds);
}

// One publish waits in the queue at most: the worker never waits for the
// main thread, and a busy main thread takes the latest count when it comes.
void TransferWorker::announceCount()
{
    if (!m_countPending.exchange(true))
        emit countChanged();
}

void TransferWorker::publishCount()
{
    m_countPending.store(false);
    m_bytesShown = m_bytesDone.load();
    m_millisecondsShown = m_millisecondsDone.load();
    if (m_progressHandler)
        m_progressHandler();
}

void TransferWorker::sendEnd(bool withCount)
{
    {
        std::lock_guard lock(m_endMutex);
        m_endWithCount = withCount;
    }
    emit copyEnded();
    std::unique_lock lock(m_endMutex);
    m_endDelivered.wait(lock, [this] { return m_endDone; });
}

void TransferWorker::deliverEnd()
{
    bool withCount = false;
    {
        // Everything the worker wrote before its end is seen from here on.
        std::lock_guard lock(m_endMutex);
        withCount = m_endWithCount;
    }
    if (withCount)
        publishCount();
    try {
        if (m_doneHandler)
            m_doneHandler();
    } catch (...) {
        // Not shown: it only ends this download.
    }
    std::lock_guard lock(m_endMutex);
    m_endDone = true;
    m_endDelivered.notify_one();
}

} // namespace clipvane
