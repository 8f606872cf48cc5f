#pragma once

// One cause that repeats (the same kind of refusal of one disk at one set-up, the same refusal of one
// recorder in one window) costs the log two rows however often it repeats: its first entry as it is, and
// one row "Repeated N times: <first entry>" that each repeat updates with its count and time. A disk or a
// recorder that fails without end thus never pushes the older history out of the log's 30,000 rows, and no
// repeat is lost without being counted. The span of a cause is the object's life (or up to Clear).

#include <QString>

#include <cstdint>
#include <map>
#include <mutex>

class CLogRepeats
{
public:
    CLogRepeats() = default;
    CLogRepeats(const CLogRepeats&) = delete;
    CLogRepeats& operator=(const CLogRepeats&) = delete;

    // Writes `text` as an entry of its own when `cause` is new in this span, and returns true; otherwise
    // counts it in the cause's count row, which repeats `countText` (the first entry's text when empty),
    // and returns false. `times`: so many entries alike at once (the first of them written when new), for
    // one write of the count row.
    bool Write(int type, int subtype, const QString& cause, const QString& text,
               const QString& countText = QString(), int times = 1);
    // Repeats of `cause` counted so far in this span.
    int Repeats(const QString& cause) const;
    // A new span: every cause is new again.
    void Clear();

private:
    struct CCause
    {
        QString text; // what the count row repeats
        int repeats = 0;
        int64_t row = -1; // the count row, once there is one
    };

    mutable std::mutex m_mutex;
    std::map<QString, CCause> m_causes;
};
