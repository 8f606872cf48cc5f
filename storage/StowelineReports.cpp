#include "storage/StowelineReports.h"

#include "model/LogStore.h"
#include "model/LogText.h"
#include "storage/StorageEvents.h"

#include <QDebug>

#include <cstring>
#include <map>
#include <utility>

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
    if (report.Times > 1)
        qWarning().noquote() << "storage:" << EscapeControls(report.Text) << "and" << report.Times - 1
                             << "more alike";
    else
        qWarning().noquote() << "storage:" << EscapeControls(report.Text);
    // What the storage layer does of its own accord is overwrite; everything else it tells is a disk's fault.
    const int subtype = report.Type == LOG_TYPE_OPERATION ? LOG_SUB_OVERWRITE : LOG_SUB_WRITE_FILE;
    bool first = true;
    if (report.Repeats)
        first = report.Repeats->Write(report.Type, subtype, report.Cause, report.Text, report.CountText,
                                      report.Times);
    else
        WriteLog(report.Type, subtype, report.Text);
    if (report.Event && first)
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
    // Reports alike of one operation (thousands of links in one walk) are counted at once: the log is
    // written once for them, not once each.
    std::vector<PENDING_REPORT> sent;
    std::map<std::pair<const CLogRepeats*, QString>, size_t> alike;
    for (PENDING_REPORT& report : m_reports) {
        if (report.Repeats) {
            const auto [at, first] = alike.try_emplace({report.Repeats.get(), report.Cause}, sent.size());
            if (!first) {
                ++sent[at->second].Times;
                continue;
            }
        }
        sent.push_back(std::move(report));
    }
    for (const PENDING_REPORT& report : sent)
        Send(report);
}

namespace {

void Queue(const PENDING_REPORT& report)
{
    if (t_reports != nullptr)
        t_reports->push_back(report);
    else
        Send(report);
}

} // namespace

void Report(int type, const QString& text, bool event)
{
    Queue({type, text, event, nullptr, QString(), QString()});
}

void ReportAlike(int type, const QString& text, const std::shared_ptr<CLogRepeats>& repeats,
                 const QString& cause, const QString& countText)
{
    Queue({type, text, false, repeats, cause, countText});
}

} // namespace StowelineDetail
