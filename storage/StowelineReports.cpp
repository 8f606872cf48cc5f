#include "storage/StowelineReports.h"

#include "model/LogStore.h"
#include "storage/StorageEvents.h"

#include <QDebug>

#include <cstring>

namespace StowelineDetail {

thread_local int t_lastError = STOWELINE_OK;
thread_local STOWELINE_ROOT_ERROR t_rootError;

bool Fail(int error)
{
    t_lastError = error;
    return false;
}

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool FailRoot(const STOWELINE_ROOT_ERROR& error)
{
    t_rootError = error;
    qWarning() << "storage: drive" << error.Drive << "at" << error.Path << "cannot be used:"
               << (error.NotMounted         ? "no volume mounted"
                   : error.SystemError != 0 ? ::strerror(error.SystemError)
                                            : "missing");
    return Fail(STOWELINE_ERR_ROOT);
}

namespace {

thread_local std::vector<PENDING_REPORT>* t_reports = nullptr;

void Send(const PENDING_REPORT& report)
{
    // What the storage layer does of its own accord is overwrite; everything else it tells is a disk's fault.
    WriteLog(report.Type, report.Type == LOG_TYPE_OPERATION ? LOG_SUB_OVERWRITE : LOG_SUB_WRITE_FILE,
             report.Text);
    if (report.Event)
        CStorageEvents::Instance().Report(report.Text);
}

} // namespace

CReportScope::CReportScope()
{
    if (t_reports == nullptr) {
        t_reports = &m_reports;
        m_owner = true;
    }
}

CReportScope::~CReportScope()
{
    if (!m_owner)
        return;
    t_reports = nullptr;
    for (const PENDING_REPORT& report : m_reports)
        Send(report);
}

void Report(int type, const QString& text, bool event)
{
    qWarning().noquote() << "storage:" << text;
    const PENDING_REPORT report{type, text, event};
    if (t_reports != nullptr)
        t_reports->push_back(report);
    else
        Send(report);
}

} // namespace StowelineDetail
