#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inkwright"));
    QApplication::setApplicationDisplayName(QStringLiteral("Inkwright"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Inkwright"));
    window.show();
    return app.exec();
}
