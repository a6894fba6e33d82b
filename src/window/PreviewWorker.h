#pragma once
// Reads the save dialog's preview pictures on a thread of its own, so that no
// file, however slow to decode, holds up the dialog.

#include <QImage>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "jpeg/PictureFormats.h"

// One file at a time on one thread, started with the first request and named
// "picture-preview". A new request, or Cancel, stops the read under way at
// the reader's next look at its cancel flag (readers without one run to
// their end) and drops a request that has not started; what a stopped read
// gives is thrown away. The destructor stops the read under way and waits
// for the thread.
class TPreviewWorker {
public:
    struct TRequest {
        std::uint64_t Id = 0;
        std::string FileName;
        QSize Box;  // the picture comes back shrunk to fit it
        TPictureFormat Format;
    };
    struct TResult {
        std::uint64_t Id = 0;
        bool Read = false;  // false: the reader refused the file (Error)
        QImage Picture;     // shrunk to fit the box
        QSize FullSize;     // the picture's own size
        std::string Error;
    };

    // resultReady is called on the worker's thread whenever a result waits
    // for TakeResult.
    explicit TPreviewWorker(std::function<void()> resultReady);
    ~TPreviewWorker();
    TPreviewWorker(const TPreviewWorker&) = delete;
    TPreviewWorker& operator=(const TPreviewWorker&) = delete;

    // --- getters -------------------------------------------------------------------------------------
    // Reads stopped or dropped before their end, since the worker was made.
    int StoppedReads() const;

    // --- requests ------------------------------------------------------------------------------------
    void Request(TRequest request);
    void Cancel();
    // The result of the last read that ran to its end, once.
    std::optional<TResult> TakeResult();

private:
    void Run();
    static TResult Read(const TRequest& request, const std::atomic<bool>& cancel);

    // --- data ---------------------------------------------------------------------------------------
    std::function<void()> fResultReady;
    mutable std::mutex fMutex;  // guards everything below but fCancel and fThread
    std::condition_variable fWake;
    std::optional<TRequest> fPending;
    std::optional<TResult> fResult;
    bool fBusy = false;  // a read is under way
    bool fQuit = false;
    int fStopped = 0;
    std::atomic<bool> fCancel{false};  // stops the read under way
    std::thread fThread;
};
