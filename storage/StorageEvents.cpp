#include "storage/StorageEvents.h"

#include <QCoreApplication>

CStorageEvents& CStorageEvents::Instance()
{
    static CStorageEvents* const events = [] {
        static CStorageEvents object;
        // Whichever thread asks first, it lives with the application, not with a worker that ends.
        if (QCoreApplication* app = QCoreApplication::instance())
            object.moveToThread(app->thread());
        return &object;
    }();
    return *events;
}
