// Keldra Data Viewer: program entry.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Keldra Data Viewer"));
    window.resize(1024, 600);
    window.show();
    return app.exec();
}
