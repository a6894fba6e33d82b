#include "historywindow/ReportJob.h"

#include "history/HistoryStore.h"
#include "report/HistoryReport.h"

#include <QMetaObject>
#include <QPointer>

TReportJob::TReportJob(QObject* parent) : QObject(parent) {}

TReportJob::~TReportJob()
{
    if (fCancelled)
        fCancelled->store(true);
    Wait();
}

bool TReportJob::Start(const QString& storePath, const THistoryFilter& filter, const QString& outPath)
{
    if (Busy())
        return false;
    Wait();  // the thread of the report before, past its Done, ends at once
    fWorking = true;
    fCancelled = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> cancelled = fCancelled;
    QPointer<TReportJob> self(this);
    fThread.reset(QThread::create([self, cancelled, storePath, filter, outPath] {
        QString error;
        bool written = false;
        {
            THistoryStore store;
            THistoryStoreOptions options;
            options.ReadOnly = true;
            if (!store.Open(storePath, options)) {
                error = QString::fromStdString(store.LastError());
            } else {
                THistoryReportOptions report;
                report.Cancelled = [cancelled] { return cancelled->load(); };
                written = WriteHistoryReport(store, filter, outPath, report, error);
            }
        }
        if (cancelled->load())
            return;
        const QString message = written ? QStringLiteral("Report written to %1").arg(outPath) : error;
        // Queued to the window's thread; dropped when the job has gone meanwhile.
        QMetaObject::invokeMethod(
            self,
            [self, written, message] {
                if (!self)
                    return;
                self->fWorking = false;
                emit self->Done(written, message);
            },
            Qt::QueuedConnection);
    }));
    fThread->start();
    return true;
}

void TReportJob::Wait()
{
    if (fThread)
        fThread->wait();
}
