// The component tree keeps each window's components between walks; every
// change that can alter them must be seen at the next question.
#include "core/component/ComponentTree.h"
#include "gui/controls/ComponentModel.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <functional>

namespace {

QStringList names(const QObject* window)
{
    QStringList out;
    for (const QObject* c : ComponentTree::components(window))
        out.append(c->objectName());
    return out;
}

// A label of ours that declares "text" anew: its own property must be used.
class OwnTextLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString text READ ownText WRITE setOwnText)

public:
    using QLabel::QLabel;
    QString ownText() const { return m_own; }
    void setOwnText(const QString& t) { m_own = t; }

private:
    QString m_own = QStringLiteral("own");
};

struct Window
{
    QWidget window;
    QWidget* page;
    QLabel* a;
    QLabel* b;
    Window()
    {
        window.setObjectName("W");
        page = new QWidget(&window);
        page->setObjectName("Page");
        a = new QLabel("a", page);
        a->setObjectName("A");
        b = new QLabel("b", &window);
        b->setObjectName("B");
    }
};

using Change = std::function<void(Window&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestComponentTree : public QObject
{
    Q_OBJECT

private slots:
    void changesAreSeenAfterTheFirstWalk_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("found"); // a name findComponent must answer
        QTest::addColumn<QString>("gone");  // a name it must no longer answer

        QTest::newRow("named child added")
            << Change([](Window& w) { (new QLabel(w.page))->setObjectName("C"); })
            << QStringList{"Page", "A", "C", "B"} << "c"
            << "";
        QTest::newRow("unnamed child named afterwards") << Change([](Window& w) {
            auto* c = new QLabel(&w.window);
            QCOMPARE(names(&w.window), (QStringList{"Page", "A", "B"}));
            c->setObjectName("Late");
        }) << QStringList{"Page", "A", "B", "Late"} << "late"
                                                        << "";
        QTest::newRow("renamed") << Change([](Window& w) { w.a->setObjectName("Renamed"); })
                                 << QStringList{"Page", "Renamed", "B"} << "renamed"
                                 << "A";
        QTest::newRow("renamed to an internal name")
            << Change([](Window& w) { w.a->setObjectName("qt_inner"); }) << QStringList{"Page", "B"}
            << ""
            << "A";
        QTest::newRow("deleted") << Change([](Window& w) { delete w.a; })
                                 << QStringList{"Page", "B"} << ""
                                 << "A";
        QTest::newRow("container with children deleted")
            << Change([](Window& w) { delete w.page; }) << QStringList{"B"} << ""
            << "A";
        QTest::newRow("moved out of the window") << Change([](Window& w) {
            w.a->setParent(nullptr);
            delete w.a;
        }) << QStringList{"Page", "B"} << ""
                                                 << "A";
        QTest::newRow("moved deeper") << Change([](Window& w) { w.b->setParent(w.page); })
                                      << QStringList{"Page", "A", "B"} << "b"
                                      << "";
        QTest::newRow("sub-window marked a form")
            << Change([](Window& w) { ComponentTree::markForm(w.page); })
            << QStringList{"Page", "B"} << "page"
            << "A";
    }

    void changesAreSeenAfterTheFirstWalk()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, expected);
        QFETCH(QString, found);
        QFETCH(QString, gone);
        Window w;
        QCOMPARE(names(&w.window), (QStringList{"Page", "A", "B"}));
        QVERIFY(ComponentTree::findComponent(&w.window, "a"));
        const quint64 before = ComponentTree::structureVersion();
        change(w);
        QVERIFY(ComponentTree::structureVersion() != before);
        QCOMPARE(names(&w.window), expected);
        if (!found.isEmpty())
            QVERIFY(ComponentTree::findComponent(&w.window, found));
        if (!gone.isEmpty())
            QCOMPARE(ComponentTree::findComponent(&w.window, gone), nullptr);
    }

    void unchangedTreeKeepsItsVersions()
    {
        Window w;
        names(&w.window);
        const quint64 structure = ComponentTree::structureVersion();
        const quint64 state = ComponentTree::stateVersion();
        w.a->setText("changed text");
        w.b->setToolTip("tip");
        QCOMPARE(ComponentTree::structureVersion(), structure);
        QCOMPARE(ComponentTree::stateVersion(), state);
        w.a->setLayoutDirection(Qt::RightToLeft);
        QVERIFY(ComponentTree::stateVersion() != state);
        const quint64 later = ComponentTree::stateVersion();
        ComponentModel::setFontCharSet(w.b, 177);
        QVERIFY(ComponentTree::stateVersion() != later);
    }

    void firstOfTwoNamesAlikeIsFound()
    {
        Window w;
        auto* second = new QLabel(&w.window);
        second->setObjectName("a");
        QCOMPARE(ComponentTree::findComponent(&w.window, "A"), w.a);
        delete w.a;
        QCOMPARE(ComponentTree::findComponent(&w.window, "A"), second);
    }

    void destroyedWindowLeavesNothingBehind()
    {
        for (int round = 0; round < 3; ++round) {
            auto* window = new QWidget;
            (new QLabel(window))->setObjectName(QStringLiteral("L%1").arg(round));
            QCOMPARE(names(window), QStringList{QStringLiteral("L%1").arg(round)});
            delete window;
        }
        // Another window, perhaps at the same address, is walked anew.
        QWidget fresh;
        QCOMPARE(names(&fresh), QStringList());
    }

    void textPropertiesReadAndWrite_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("propName");
        QTest::addColumn<QString>("before");
        for (const char* kind : {"label", "button", "action", "group", "menu", "window", "page"})
            QTest::newRow(kind) << kind << "Caption"
                                << "caption";
        for (const char* kind : {"label", "button", "action"})
            QTest::newRow((QByteArray(kind) + " hint").constData()) << kind << "hint"
                                                                    << "tip";
        QTest::newRow("own text property") << "own"
                                           << "text"
                                           << "own";
    }

    void textPropertiesReadAndWrite()
    {
        QFETCH(QString, kind);
        QFETCH(QString, propName);
        QFETCH(QString, before);
        QWidget window;
        auto* tabs = new QTabWidget(&window);
        auto* page = new QWidget;
        tabs->addTab(page, "caption");
        auto* label = new QLabel("caption", &window);
        auto* button = new QPushButton("caption", &window);
        auto* action = new QAction("caption", &window);
        auto* group = new QGroupBox("caption", &window);
        auto* menu = new QMenu("caption", &window);
        auto* own = new OwnTextLabel("caption", &window);
        window.setWindowTitle("caption");
        for (QWidget* w : std::initializer_list<QWidget*>{label, button})
            w->setToolTip("tip");
        action->setToolTip("tip");
        const QHash<QString, QObject*> objects{
            {"label", label}, {"button", button},  {"action", action}, {"group", group},
            {"menu", menu},   {"window", &window}, {"page", page},     {"own", own}};
        const ComponentModel::Property p = ComponentModel::property(objects[kind], propName);
        QCOMPARE(p.kind(), ComponentModel::PropertyKind::Text);
        QCOMPARE(p.text(), before);
        p.write(QStringLiteral("written"));
        QCOMPARE(p.text(), QStringLiteral("written"));
        p.writeText(QStringLiteral("again"));
        QCOMPARE(p.read().toString(), QStringLiteral("again"));
        if (kind == "own")
            QCOMPARE(own->QLabel::text(), QStringLiteral("caption")); // Qt's text untouched
        if (kind == "page")
            QCOMPARE(tabs->tabText(0), QStringLiteral("again"));
    }
};

QTEST_MAIN(TestComponentTree)
#include "test_componenttree.moc"
