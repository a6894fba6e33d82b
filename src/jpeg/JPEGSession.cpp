#include "jpeg/JPEGSession.h"

#include <chrono>

#include "jpeg/JPEGError.h"

TJPEGSession::TJPEGSession(const TJPEGProgressHandler* handler) : fHandler(handler) {}

TJPEGSession& TJPEGSession::Of(j_common_ptr info)
{
    return *static_cast<TJPEGSession*>(info->client_data);
}

void TJPEGSession::AttachErrors(j_common_ptr info)
{
    // The create call keeps err and client_data while it clears the rest.
    info->err = &fErrors;
    info->client_data = this;
    fErrors.error_exit = ErrorExit;
    fErrors.emit_message = EmitMessage;
    fErrors.output_message = OutputMessage;
    fErrors.format_message = FormatMessage;
    fErrors.reset_error_mgr = ResetErrorManager;
}

void TJPEGSession::AttachProgress(j_common_ptr info)
{
    fProgress.progress_monitor = ProgressMonitor;
    info->progress = &fProgress;
}

void TJPEGSession::ErrorExit(j_common_ptr info) noexcept
{
    TJPEGSession& session = Of(info);
    session.fStop = stError;
    session.fErrorCode = info->err->msg_code;
    std::longjmp(session.Jump, 1);
}

// Warnings and trace messages are ignored: a damaged but readable file still
// gives a picture, and nothing is printed.
void TJPEGSession::EmitMessage(j_common_ptr, int) noexcept {}

void TJPEGSession::OutputMessage(j_common_ptr) noexcept {}

void TJPEGSession::FormatMessage(j_common_ptr, char* buffer) noexcept
{
    buffer[0] = '\0';
}

void TJPEGSession::ResetErrorManager(j_common_ptr info) noexcept
{
    info->err->num_warnings = 0;
    info->err->msg_code = 0;
}

void TJPEGSession::ProgressMonitor(j_common_ptr info) noexcept
{
    TJPEGSession& session = Of(info);
    if (!session.Tick(info))
        std::longjmp(session.Jump, 1);
}

bool TJPEGSession::WithinLimits(j_decompress_ptr info) noexcept
{
    // Each scan of a progressive file costs a pass over every block of its
    // components: a small hostile file with endless scans would keep the
    // reader busy for minutes. The library calls the monitor before it
    // decodes the first rows of a scan, so a scan is counted before its work.
    if (ScanLimit > 0 && info->input_scan_number > ScanLimit) {
        Fail(JERR_BAD_PROGRESSION);
        return false;
    }
    if (info->input_scan_number != fCountedScan) {
        fCountedScan = info->input_scan_number;
        for (int i = 0; i < info->comps_in_scan; ++i) {
            const jpeg_component_info* component = info->cur_comp_info[i];
            fBlockScans += static_cast<std::int64_t>(component->width_in_blocks) * component->height_in_blocks;
        }
        if (BlockScanLimit > 0 && fBlockScans > BlockScanLimit) {
            Fail(JERR_BAD_PROGRESSION);
            return false;
        }
    }
    if (Cancel != nullptr && Cancel->load(std::memory_order_relaxed)) {
        fStop = stAborted;
        return false;
    }
    return true;
}

bool TJPEGSession::Tick(j_common_ptr info) noexcept
{
    if (info->is_decompressor && !WithinLimits(reinterpret_cast<j_decompress_ptr>(info)))
        return false;
    const auto steadyNow = std::chrono::steady_clock::now();
    if (info->is_decompressor && steadyNow >= Deadline) {
        fStop = stAborted;
        return false;
    }
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(steadyNow.time_since_epoch());
    int percent = 0;
    if (!fThrottle.Update(now.count(), fProgress.pass_counter, fProgress.pass_limit, fProgress.completed_passes,
                          fProgress.total_passes, percent))
        return true;
    return Notify(psRunning, percent);
}

bool TJPEGSession::Notify(TProgressStage stage, int percent) noexcept
{
    if (fHandler == nullptr || !*fHandler)
        return true;
    bool abort = false;
    try {
        (*fHandler)(stage, percent, abort);
    } catch (...) {
        fHandlerError = std::current_exception();
        fStop = stHandlerError;
        return false;
    }
    if (abort)
        fStop = stAborted;
    return !abort;
}

void TJPEGSession::Fail(int code) noexcept
{
    fStop = stError;
    fErrorCode = code;
}

void TJPEGSession::Raise() const
{
    switch (fStop) {
    case stHandlerError:
        std::rethrow_exception(fHandlerError);
    case stAborted:
        return;
    case stError:
    case stNone:
        break;
    }
    throw EJPEG(fErrorCode);
}
