#pragma once

// One batch of log rows on its way from the log page's slot to its own event handler. The event owns the rows
// until the page takes them, so a batch that is never shown (the page closing) frees them.

#include "widgets/views/CTreeViewItem.h"

#include <QEvent>
#include <QList>

class LocalLogEvent : public QEvent
{
public:
    static constexpr QEvent::Type TYPE = QEvent::User;

    LocalLogEvent(const QList<CTreeViewItem*>& items, int shown, int found);
    ~LocalLogEvent() override;
    LocalLogEvent(const LocalLogEvent&) = delete;
    LocalLogEvent& operator=(const LocalLogEvent&) = delete;

    // Hands the rows over; the event keeps none afterwards.
    QList<CTreeViewItem*> TakeItems();
    void GetCount(int* shown, int* found) const;

private:
    QList<CTreeViewItem*> m_items;
    int m_nShown = 0;
    int m_nFound = 0;
};
