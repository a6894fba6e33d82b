#include "window/PreviewWorker.h"

#include "window/PicturePreview.h"

#include <pthread.h>
#include <utility>

TPreviewWorker::TPreviewWorker(std::function<void()> resultReady) : fResultReady(std::move(resultReady)) {}

TPreviewWorker::~TPreviewWorker()
{
    {
        const std::lock_guard<std::mutex> lock(fMutex);
        fQuit = true;
        fPending.reset();
        fCancel = true;
    }
    fWake.notify_all();
    if (fThread.joinable())
        fThread.join();
}

int TPreviewWorker::StoppedReads() const
{
    const std::lock_guard<std::mutex> lock(fMutex);
    return fStopped;
}

void TPreviewWorker::Request(TRequest request)
{
    {
        const std::lock_guard<std::mutex> lock(fMutex);
        if (fPending)
            ++fStopped;
        fPending = std::move(request);
        fResult.reset();
        if (fBusy)
            fCancel = true;
        if (!fThread.joinable()) {
            fThread = std::thread([this] { Run(); });
            // Named here rather than by itself, so that it has its name from the start.
            pthread_setname_np(fThread.native_handle(), "picture-preview");
        }
    }
    fWake.notify_all();
}

void TPreviewWorker::Cancel()
{
    const std::lock_guard<std::mutex> lock(fMutex);
    if (fPending) {
        ++fStopped;
        fPending.reset();
    }
    fResult.reset();
    if (fBusy)
        fCancel = true;
}

std::optional<TPreviewWorker::TResult> TPreviewWorker::TakeResult()
{
    const std::lock_guard<std::mutex> lock(fMutex);
    std::optional<TResult> result = std::move(fResult);
    fResult.reset();
    return result;
}

void TPreviewWorker::Run()
{
    std::unique_lock<std::mutex> lock(fMutex);
    for (;;) {
        fWake.wait(lock, [this] { return fQuit || fPending.has_value(); });
        if (fQuit)
            return;
        const TRequest request = std::move(*fPending);
        fPending.reset();
        // Set under the lock, so that a request made from now on stops this read.
        fCancel = false;
        fBusy = true;
        lock.unlock();
        TResult result = Read(request, fCancel);
        lock.lock();
        fBusy = false;
        if (fCancel) {
            ++fStopped;
            continue;
        }
        fResult = std::move(result);
        if (fResultReady)
            fResultReady();
    }
}

TPreviewWorker::TResult TPreviewWorker::Read(const TRequest& request, const std::atomic<bool>& cancel)
{
    TResult result;
    result.Id = request.Id;
    QImage picture;
    QSize fullSize;
    const TPictureFormat& format = request.Format;
    // Readers never throw; a file they refuse simply has no preview.
    if (format.PreviewReader != nullptr) {
        result.Read = format.PreviewReader(request.FileName, request.Box, picture, fullSize, result.Error, &cancel);
    } else if (format.Reader != nullptr) {
        result.Read = format.Reader(request.FileName, picture, result.Error);
        fullSize = picture.size();
    }
    if (!result.Read || picture.isNull() || fullSize.isEmpty()) {
        result.Read = false;
        return result;
    }
    result.FullSize = fullSize;
    result.Picture =
        picture.scaled(PreviewSize(fullSize, request.Box), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result;
}
