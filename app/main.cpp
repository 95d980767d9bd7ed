// Rastelle takes no command-line arguments; everything happens in the
// application object's start-up.
#include "app/CPictavoApp.h"
#include "platform/QtUiServices.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QtUiServices uiServices;
    SetUiServices(&uiServices);
    theApp.InitInstance();
    SetUiServices(nullptr);
    return 0;
}
