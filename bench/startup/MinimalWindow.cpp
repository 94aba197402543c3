// The floor of the start-up benchmark: the least a Qt program with a window
// like the main window does, six tab pages with a line of text each.
#include <QApplication>
#include <QLabel>
#include <QTabWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTabWidget tabs;
    for (int i = 1; i <= 6; ++i)
        tabs.addTab(new QLabel(QStringLiteral("Page %1").arg(i)), QStringLiteral("Page %1").arg(i));
    tabs.resize(1024, 600);
    tabs.show();
    return QApplication::exec();
}
