#include "pages/log/LocalLogEvent.h"

#include <utility>

LocalLogEvent::LocalLogEvent(const QList<CTreeViewItem*>& items, int shown, int found)
    : QEvent(TYPE), m_items(items), m_nShown(shown), m_nFound(found)
{
}

LocalLogEvent::~LocalLogEvent()
{
    qDeleteAll(m_items);
}

QList<CTreeViewItem*> LocalLogEvent::TakeItems()
{
    return std::exchange(m_items, {});
}

void LocalLogEvent::GetCount(int* shown, int* found) const
{
    if (shown != nullptr)
        *shown = m_nShown;
    if (found != nullptr)
        *found = m_nFound;
}
