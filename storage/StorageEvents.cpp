#include "storage/StorageEvents.h"

CStorageEvents& CStorageEvents::Instance()
{
    static CStorageEvents events;
    return events;
}
