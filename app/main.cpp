// The Varrow program: the application object's checks, then the main window and the event loop.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "app/VarrowStart.h"

int main(int argc, char** argv)
{
    const QString key = QStringLiteral("Varrow");
    COmbrixApplication app(argc, argv, key);
    if (app.IsRunning())
        return 0;
    if (app.CheckResolution())
        return 0;
    const std::unique_ptr<CVarrow> window = OpenMainWindow();
    return app.exec();
}
