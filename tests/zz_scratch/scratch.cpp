#include "gui/windows/Velmora.h"
#include "gui/windows/AboutBox.h"
#include "gui/windows/AboutWnd.h"
#include "core/util/JpegLoader.h"
#include "core/util/Dialogs.h"
#include <QApplication>
#include <QTimer>
#include <QWidget>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString what = argc > 1 ? argv[1] : "splash";

    if (what == "splash") {
        auto* s = new TVelmora;
        s->ShowAtOnce();
        return app.exec();
    }
    TAboutBox box(nullptr);
    box.SetAppName("Kalvindo");
    box.SetCopyright(QStringLiteral("Copyright © 2024–2025 Kalvindo. Alle rettigheder forbeholdes."));
    if (what == "about")
        box.SetPicture(JpegLoader::load(":/pictures/About.jpg"));
    TAboutWnd w(&box);
    w.show();
    return app.exec();
}
