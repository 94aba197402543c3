#include "gui/controls/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTest>

// The real message box, shown while other windows come and go: a reminder
// at start-up is shown while the splash is still up, and the splash deletes
// itself while the box waits for its answer.
class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void boxOutlivesASplashThatGoesAway()
    {
        QPointer<QWidget> splash = new QWidget(nullptr, Qt::SplashScreen);
        splash->show();
        QApplication::setActiveWindow(splash);
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTimer::singleShot(50, [&] { delete splash.data(); });
        bool answeredAfterTheSplash = false;
        QTimer::singleShot(200, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            answeredAfterTheSplash = box && !splash;
            if (box)
                box->accept();
        });
        QtDialogs dialogs;
        dialogs.message(MessageKind::Information, QStringLiteral("Fødselsdag"), Ok);
        QVERIFY(answeredAfterTheSplash);
    }
};

QTEST_MAIN(TestMessageBox)
#include "test_messagebox.moc"
