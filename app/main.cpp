// The Varrow program: the application object's checks, then the run (window, event loop, database closed).

#include "app/COmbrixApplication.h"
#include "app/VarrowStart.h"

int main(int argc, char** argv)
{
    const QString key = QStringLiteral("Varrow");
    COmbrixApplication app(argc, argv, key);
    if (app.IsRunning())
        return 0;
    if (app.CheckResolution())
        return 0;
    return RunVarrow();
}
