#pragma once
// Used only inside the codec (JPEGWriter.cpp, JPEGReader.cpp): the link
// between one compression or decompression object of the library and our
// code, and the rules for leaving the library's C frames.
//
// The library reports a fatal error by calling error_exit, which must not
// return. C++ exceptions cannot travel through the library's C frames, so
// error_exit, the progress monitor and the destination callbacks leave the
// library with longjmp to Jump. Every function that calls into the library
// arms Jump with setjmp first and holds only trivially destructible locals,
// since longjmp runs no destructors. Once that function has returned, the
// caller asks Raise to turn what was recorded into an exception.

#include <atomic>
#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

#include <jerror.h>
#include <jpeglib.h>

#include "jpeg/JPEGProgress.h"

// The library interface this code is written for: the create calls pass this
// version and the size of that version's structures.
constexpr int JPEGLibraryVersion = 62;
static_assert(JPEG_LIB_VERSION == JPEGLibraryVersion, "the codec is written for the version 62 interface");

class TJPEGSession {
public:
    explicit TJPEGSession(const TJPEGProgressHandler* handler);
    TJPEGSession(const TJPEGSession&) = delete;
    TJPEGSession& operator=(const TJPEGSession&) = delete;

    // Installs the error manager: before the create call.
    void AttachErrors(j_common_ptr info);
    // Installs the progress monitor: after the create call, which clears the object.
    void AttachProgress(j_common_ptr info);

    // Sends a progress notice. False when the work must stop: the handler
    // aborted or threw (its exception is kept for Raise).
    bool Notify(TProgressStage stage, int percent) noexcept;
    // Records a fatal error of our own with a library message code; the caller
    // then returns false from its library function.
    void Fail(int code) noexcept;

    // After a library function returned false: rethrows the handler's
    // exception or raises EJPEG. Returns normally only after an abort.
    void Raise() const;

    // Decoding: the most scans a file may have before it is refused (0: any).
    int ScanLimit = 0;
    // Decoding: the most blocks, summed over the scans, a file may ask to
    // decode before it is refused (0: any).
    std::int64_t BlockScanLimit = 0;
    // Decoding stops silently, as after an abort, once this is set or the
    // deadline has passed; looked at on every call of the progress monitor.
    const std::atomic<bool>* Cancel = nullptr;
    std::chrono::steady_clock::time_point Deadline = std::chrono::steady_clock::time_point::max();
    // Armed by each function that calls into the library.
    std::jmp_buf Jump;

private:
    enum TStop { stNone, stError, stAborted, stHandlerError };

    [[noreturn]] static void ErrorExit(j_common_ptr info) noexcept;
    static void EmitMessage(j_common_ptr info, int level) noexcept;
    static void OutputMessage(j_common_ptr info) noexcept;
    static void FormatMessage(j_common_ptr info, char* buffer) noexcept;
    static void ResetErrorManager(j_common_ptr info) noexcept;
    static void ProgressMonitor(j_common_ptr info) noexcept;
    static TJPEGSession& Of(j_common_ptr info);
    bool Tick(j_common_ptr info) noexcept;
    bool WithinLimits(j_decompress_ptr info) noexcept;

    jpeg_error_mgr fErrors{};
    jpeg_progress_mgr fProgress{};
    const TJPEGProgressHandler* fHandler;
    TProgressThrottle fThrottle;
    TStop fStop = stNone;
    int fErrorCode = 0;
    std::exception_ptr fHandlerError;
    int fCountedScan = 0;  // the scan whose blocks were last added to fBlockScans
    std::int64_t fBlockScans = 0;
};
