#include "RecordingDialogs.h"
#include "core/component/ComponentTree.h"
#include "gui/controls/ShadowLabel.h"
#include "gui/controls/URLLabel.h"
#include "gui/layout/FormResizer.h"
#include "gui/windows/PhoneForm.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QTest>

namespace {

QFont pointFont(int points)
{
    QFont f;
    f.setPointSize(points);
    return f;
}

// A window of the designed 1024 x 600 with controls placed by hand.
struct Form
{
    QWidget window;
    TFormResizer* resizer;

    Form()
    {
        window.setObjectName(QStringLiteral("Form1"));
        ComponentTree::markForm(&window);
        window.resize(1024, 600);
        resizer = new TFormResizer(&window);
        resizer->setObjectName(QStringLiteral("FormResizer1"));
        resizer->SetResizeFonts(true);
    }
    template <class W> W* add(const char* name, QRect bounds, int points, QWidget* parent = nullptr)
    {
        auto* w = new W(parent ? parent : &window);
        w->setObjectName(QLatin1String(name));
        w->setGeometry(bounds);
        w->setFont(pointFont(points));
        return w;
    }
    void resize(int width, int height)
    {
        window.resize(width, height);
        resizer->ResizeAll();
    }
};

} // namespace

class TestResizer : public QObject
{
    Q_OBJECT

private slots:
    // Bounds scale by the width and height ratios, fonts by the height ratio
    // within 8..48 points, rounded to the nearest, a half to the even one.
    void controlsAndFontsScale_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("recorded");
        QTest::addColumn<int>("points");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<int>("expectedPoints");
        const QRect control(100, 40, 200, 21);
        QTest::newRow("1.5 times")
            << QSize(1536, 900) << control << 10 << QRect(150, 60, 300, 32) << 15;
        QTest::newRow("half the height, 10 points")
            << QSize(1024, 300) << control << 10 << QRect(100, 20, 200, 10) << 8;
        QTest::newRow("half the height, 8 points")
            << QSize(1024, 300) << control << 8 << QRect(100, 20, 200, 10) << 8;
        QTest::newRow("doubled, 30 points")
            << QSize(2048, 1200) << control << 30 << QRect(200, 80, 400, 42) << 48;
        QTest::newRow("wider only")
            << QSize(2048, 600) << control << 10 << QRect(200, 40, 400, 21) << 10;
    }
    void controlsAndFontsScale()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, recorded);
        QFETCH(int, points);
        QFETCH(QRect, expected);
        QFETCH(int, expectedPoints);
        Form form;
        auto* button = form.add<QPushButton>("Button1", recorded, points);
        auto* shadow = new TShadowLabel(&form.window);
        shadow->setObjectName(QStringLiteral("ShadowLabel1"));
        shadow->SetAutoSize(false);
        shadow->setText(QStringLiteral("Kalvindo"));
        shadow->setGeometry(10, 10, 200, 40);
        form.resizer->InitializeResizing();
        form.resize(size.width(), size.height());
        QCOMPARE(button->geometry(), expected);
        QCOMPARE(button->font().pointSize(), expectedPoints);
        // The shadow label is no label: its width follows the window too.
        QCOMPARE(shadow->width(), TSingleResizer::Round(200.0 * size.width() / 1024));
    }

    // One that sizes itself anyway is given the width its text needs, not
    // one from the window that might cut the text off.
    void aSelfSizingShadowLabelKeepsItsText()
    {
        Form form;
        auto* title = new TShadowLabel(&form.window);
        title->setObjectName(QStringLiteral("ShadowLabel1"));
        title->setFont(pointFont(20));
        title->setText(QStringLiteral("Kalvindo"));
        title->move(340, 182);
        form.resizer->InitializeResizing();
        form.resize(700, 600);
        QVERIFY(title->AutoSize());
        QCOMPARE(title->size(), title->sizeHint());
        QCOMPARE(title->pos(), QPoint(TSingleResizer::Round(340 * 700 / 1024.0), 182));
    }

    void theRecordedSizeGivesBackTheRecordedLayout()
    {
        Form form;
        auto* button = form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10);
        auto* label = form.add<QLabel>("Label1", QRect(18, 5, 280, 17), 9);
        label->setText(QStringLiteral("Navn"));
        auto* big = form.add<QLabel>("Label2", QRect(340, 182, 460, 110), 72);
        big->setText(QStringLiteral("Kalvindo"));
        form.resizer->InitializeResizing();
        for (QSize s : {QSize(1500, 900), QSize(700, 333), QSize(2048, 1200), QSize(1023, 601)})
            form.resize(s.width(), s.height());
        form.resize(1024, 600);
        QCOMPARE(button->geometry(), QRect(100, 40, 200, 21));
        QCOMPARE(button->font().pointSize(), 10);
        QCOMPARE(label->geometry(), QRect(18, 5, 280, 17));
        QCOMPARE(label->font().pointSize(), 9);
        QCOMPARE(big->font().pointSize(), 72);
    }

    // A font designed above the largest size keeps its own size as its bound:
    // it never shrinks when the window grows.
    void aFontAboveTheBoundsNeverMovesAgainstTheWindow()
    {
        Form form;
        auto* title = form.add<TShadowLabel>("ShadowLabel1", QRect(340, 182, 460, 110), 72);
        form.resizer->InitializeResizing();
        form.resize(1200, 700);
        QCOMPARE(title->font().pointSize(), 72);
        form.resize(1024, 300);
        QCOMPARE(title->font().pointSize(), 36);
    }

    void theFillingPageControlIsLeftToItsLayout()
    {
        Form form;
        auto* panel = form.add<QWidget>("Panel1", QRect(0, 0, 1024, 600), 9);
        auto* layout = new QVBoxLayout(panel);
        auto* pages = new QTabWidget(panel);
        pages->setObjectName(QStringLiteral("PageControl1"));
        layout->addWidget(pages);
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("TabSheet1"));
        pages->addTab(sheet, QStringLiteral("Registrering"));
        auto* edit = form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10, sheet);
        panel->resize(1024, 600);
        const QRect pagesBefore = pages->geometry();
        form.resizer->InitializeResizing();
        form.resize(1536, 900);
        QCOMPARE(pages->geometry(), pagesBefore);
        QCOMPARE(edit->geometry(), QRect(150, 60, 300, 32));
    }

    // A label that sizes itself keeps its width and afterwards fits its text;
    // its AutoSize setting is what it was.
    void aSelfSizingLabelFitsItsTextAndKeepsItsSetting_data()
    {
        QTest::addColumn<bool>("autoSize");
        QTest::newRow("AutoSize on") << true;
        QTest::newRow("AutoSize off") << false;
    }
    void aSelfSizingLabelFitsItsTextAndKeepsItsSetting()
    {
        QFETCH(bool, autoSize);
        Form form;
        auto* link = form.add<TURLLabel>("URLLabel1", QRect(100, 100, 300, 17), 10);
        link->SetAutoSize(false);
        link->setGeometry(100, 100, 300, 17);
        link->SetCaption(QStringLiteral("anna@example.dk"));
        link->SetAutoSize(autoSize);
        link->setGeometry(100, 100, 300, 17);
        form.resizer->InitializeResizing();
        form.resize(1536, 900);
        QCOMPARE(link->AutoSize(), autoSize);
        QCOMPARE(link->pos(), QPoint(150, 150));
        QCOMPARE(link->size(), link->sizeHint());
        QCOMPARE(link->font().pointSize(), 15);
    }

    // A plain label is a box for its texts: its width follows the window,
    // never narrower than its text; a right-aligned one keeps its right edge
    // in proportion.
    void aPlainLabelHoldsItsText()
    {
        Form form;
        auto* left = form.add<QLabel>("Label1", QRect(100, 100, 200, 17), 10);
        left->setText(QStringLiteral("Navn"));
        auto* right = form.add<QLabel>("Label2", QRect(600, 100, 98, 17), 10);
        right->setText(QStringLiteral("Find navn"));
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        form.resizer->InitializeResizing();
        form.resize(1536, 900);
        QCOMPARE(left->geometry(), QRect(150, 150, 300, 26));
        QCOMPARE(right->geometry().right() + 1, 1047);
        // Narrow and tall: the font grows, the box may not shrink below the text.
        form.resize(512, 900);
        QVERIFY(right->width() >= right->sizeHint().width());
        QCOMPARE(right->geometry().right() + 1, TSingleResizer::Round(698 * 0.5));
        QCOMPARE(left->x(), 50);
    }

    // A text measured once at a size is measured again when it changes: the
    // longer text is held at the size it was first seen at too.
    void aChangedTextIsHeldAgain()
    {
        Form form;
        auto* label = form.add<QLabel>("Label1", QRect(100, 100, 40, 17), 10);
        label->setText(QStringLiteral("Navn"));
        form.resizer->InitializeResizing();
        form.resize(1536, 900);
        form.resize(1024, 600);
        label->setText(QStringLiteral("Et langt navn, der ikke kan stå i feltet"));
        form.resize(1536, 900);
        QVERIFY(label->width() >= label->sizeHint().width());
        QVERIFY(label->width() > 60);
    }

    // A control that has taken a font of its own since the recording (a
    // link underlined while the mouse is on it) keeps that font at every
    // scaling; one that goes back to its recorded font is scaled as before.
    void aFontOfItsOwnIsKeptAtEveryScaling()
    {
        Form form;
        auto* label = form.add<QLabel>("Label1", QRect(100, 100, 200, 17), 10);
        label->setText(QStringLiteral("www.example.com"));
        form.resizer->InitializeResizing();
        QFont underlined = label->font();
        underlined.setUnderline(true);
        label->setFont(underlined);
        form.resize(1536, 900);
        QCOMPARE(label->font().pointSize(), 15);
        form.resize(2048, 1200);
        QVERIFY(label->font().underline());
        QCOMPARE(label->font().pointSize(), 20);
        underlined.setUnderline(false);
        label->setFont(underlined);
        form.resize(1536, 900);
        QVERIFY(!label->font().underline());
        QCOMPARE(label->font().pointSize(), 15);
        form.resize(1024, 600);
        QCOMPARE(label->font().pointSize(), 10);
    }

    void aDestroyedControlIsSkipped()
    {
        Form form;
        auto* gone = form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10);
        auto* stays = form.add<QPushButton>("Button2", QRect(10, 10, 50, 20), 10);
        form.resizer->InitializeResizing();
        QList<QWidget*> scaled;
        form.resizer->OnPostResize = [&](QObject* sender, QWidget* comp, double h, double w) {
            QCOMPARE(sender, form.resizer);
            QCOMPARE(h, 1.5);
            QCOMPARE(w, 2.0);
            scaled << comp;
        };
        delete gone;
        form.resize(2048, 900);
        QCOMPARE(scaled, (QList<QWidget*>{nullptr, stays}));
        QCOMPARE(stays->geometry(), QRect(20, 15, 100, 30));
    }

    void enforceMinSizeSnapsBackBeforeScaling()
    {
        Form form;
        auto* button = form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10);
        form.resizer->SetEnforceMinSize(true);
        form.resizer->InitializeResizing();
        form.resize(800, 500);
        QCOMPARE(form.window.size(), QSize(1024, 600));
        QCOMPARE(button->geometry(), QRect(100, 40, 200, 21));
        form.resize(1000, 900);
        QCOMPARE(form.window.size(), QSize(1024, 900));
        QCOMPARE(button->geometry(), QRect(100, 60, 200, 32));
    }

    void aResizeBeforeRecordingDoesNothing()
    {
        Form form;
        auto* button = form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10);
        int events = 0;
        form.resizer->OnPostResize = [&](QObject*, QWidget*, double, double) { ++events; };
        form.resize(2048, 1200);
        QCOMPARE(button->geometry(), QRect(100, 40, 200, 21));
        QCOMPARE(events, 0);
    }

    // Recording happens once, takes the controls only (menus, actions and the
    // resizer itself are none) and copies the settings of that moment.
    void recordingIsDoneOnceForTheControls()
    {
        Form form;
        form.add<QPushButton>("Button1", QRect(100, 40, 200, 21), 10);
        auto* menu = new QMenu(&form.window);
        menu->setObjectName(QStringLiteral("PopupMenu1"));
        auto* action = menu->addAction(QStringLiteral("Luk"));
        action->setObjectName(QStringLiteral("Luk1"));
        form.resizer->InitializeResizing();
        form.resizer->SetResizeFonts(false);
        auto* later = form.add<QPushButton>("Button2", QRect(10, 10, 50, 20), 10);
        form.resizer->InitializeResizing();
        QCOMPARE(form.resizer->Records().size(), size_t(1));
        QCOMPARE(form.resizer->Records()[0]->Control()->objectName(), QStringLiteral("Button1"));
        form.resize(1536, 900);
        QCOMPARE(form.resizer->Records()[0]->Control()->font().pointSize(), 15);
        QCOMPARE(later->geometry(), QRect(10, 10, 50, 20));
    }

    void constructionErrors_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("message");
        QTest::newRow("no owner") << 0 << "TFormResizer created without an owner";
        QTest::newRow("owner not a control") << 1 << "TFormResizer owner must be a panel or form";
        QTest::newRow("record without control")
            << 2 << "TSingleResizer created without a component link";
        QTest::newRow("record without window")
            << 3 << "TSingleResizer created without a parent form link";
    }
    void constructionErrors()
    {
        QFETCH(int, which);
        QFETCH(QString, message);
        QObject notAControl;
        QWidget window;
        QWidget control(&window);
        try {
            switch (which) {
            case 0:
                TFormResizer(nullptr);
                break;
            case 1:
                TFormResizer{&notAControl};
                break;
            case 2:
                TSingleResizer(nullptr, &window, true, 8, 48);
                break;
            default:
                TSingleResizer(&control, nullptr, true, 8, 48);
            }
            QFAIL("no error");
        } catch (const EResizerException& e) {
            QCOMPARE(e.message(), message);
        }
    }

    // The main window as built: the controls of its pages follow it, the
    // page control, the pages and the menu bar are left to their layouts, and
    // the designed size gives back the designed layout.
    void theMainWindowScalesItsPages()
    {
        RecordingDialogs dialogs;
        TPhoneForm form;
        QWidget* edit = form.findChild<QWidget*>(QStringLiteral("DBEdit2"));
        QVERIFY(edit);
        const QRect designed = edit->geometry();
        const QRect pages = form.PageControl1()->geometry();
        const QRect menu = form.menuBar()->geometry();
        // As the window's resize handler does.
        auto resize = [&form](int width, int height) {
            form.resize(width, height);
            form.FormResize();
        };
        resize(1536, 900);
        QCOMPARE(edit->geometry(), QRect(TSingleResizer::Round(designed.x() * 1.5),
                                         TSingleResizer::Round(designed.y() * 1.5),
                                         TSingleResizer::Round(designed.width() * 1.5),
                                         TSingleResizer::Round(designed.height() * 1.5)));
        QCOMPARE(form.PageControl1()->geometry(), pages);
        QCOMPARE(form.menuBar()->geometry(), menu);
        resize(1024, 600);
        QCOMPARE(edit->geometry(), designed);
        for (const auto& record : form.FormResizer1()->Records())
            QVERIFY2(!record->Control()->isWindow(), qPrintable(record->Control()->objectName()));
    }
};

QTEST_MAIN(TestResizer)
#include "test_resizer.moc"
