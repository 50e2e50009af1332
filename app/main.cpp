// Inkwright: reference documentation for Object Pascal projects.
#include <QApplication>
#include <QFont>

#include "QtDialogs.h"
#include "store/TDM1.h"
#include "TfrmInkwright.h"

namespace {
// The window asks for the faces it was designed with; on systems without
// them, metric-compatible faces stand in.
void substituteDesignFonts() {
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitutions(QStringLiteral("Impact"), {QStringLiteral("Liberation Sans Narrow"),
                                                          QStringLiteral("Liberation Sans")});
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inkwright"));
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("inkwright"));
    substituteDesignFonts();

    // The window first, then the data module; the window's controls are bound
    // to the module's data sources once it exists, and the tables open when
    // the window is first shown.
    ink::QtDialogs dialogs;
    ink::TfrmInkwright window(ink::StartupEnvironment::forRunningProgram(), &dialogs);
    dialogs.setParentWidget(&window);
    // One alias registry for both: the module opens the store the window's
    // start-up pointed the alias at, not whatever the file says by then.
    ink::TDM1 dm(&app, window.environment().registry);
    window.bindDataModule(&dm);
    window.show();
    return app.exec();
}
