#include "gui/windows/Velmora.h"

#include "core/component/ComponentTree.h"
#include "core/util/Dialogs.h"
#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"
#include "gui/windows/BuiltInPictures.h"
#include "gui/windows/FormShaper.h"
#include "ui_Velmora.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWindow>

namespace {

QByteArray storedShape()
{
    QFile file(QStringLiteral(":/pictures/Velmora.shape"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TVelmora::TVelmora(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_ui(std::make_unique<Ui::Velmora>())
{
    BuiltInPictures::load();
    ComponentTree::beginLoading(this);
    m_ui->setupUi(this);
    setFixedSize(580, 80);
    // A splash window ends nothing when it closes, and tells its hint
    // whether or not it is the active window.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    try {
        m_ui->Image1->setPixmap(
            QPixmap::fromImage(JpegLoader::load(QStringLiteral(":/pictures/Velmora.jpg"))));
        m_ui->Image1->resize(m_ui->Image1->pixmap().size());
    } catch (const Exception&) {
        // A broken banner leaves the window plain; start-up goes on.
    }
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_luk = m_popup->addAction(QStringLiteral("Luk"));
    m_luk->setObjectName(QStringLiteral("Luk1"));
    connect(m_luk, &QAction::triggered, this, [this] { Luk1Click(); });
    connect(m_ui->Image1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_popup->popup(m_ui->Image1->mapToGlobal(at)); });
    m_shaper = new TFormShaper(this);
    m_shaper->setObjectName(QStringLiteral("FormShaper1"));
    guarded([this] { m_shaper->SetShape(storedShape()); })();
    ComponentTree::endLoading(this);
    // Whatever other window of the program takes the focus ends the splash,
    // also when the window manager never made the splash the active one.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus && focus != windowHandle())
            FormDeactivate();
    });
    FormCreate();
}

TVelmora::~TVelmora() = default;

void TVelmora::FormCreate()
{
    m_shaper->SetActive(true);
}

void TVelmora::ShowAtOnce()
{
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    activateWindow();
    // The banner is to be seen while the rest of start-up runs: wait for the
    // window system to show the window, then paint it.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
}

void TVelmora::FormDeactivate()
{
    if (m_released)
        return;
    m_released = true;
    deleteLater();
}

void TVelmora::Luk1Click()
{
    close();
}

void TVelmora::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        FormDeactivate();
}
