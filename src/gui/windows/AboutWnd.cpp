#include "gui/windows/AboutWnd.h"

#include "core/util/Dialogs.h"
#include "core/util/ProgramVersion.h"
#include "gui/windows/AboutBox.h"
#include "ui_AboutWnd.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScreen>

const QStringList TAboutWnd::SystemInfoPrograms = {
    QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
    QStringLiteral("xfce4-about"), QStringLiteral("gnome-system-monitor")};

TAboutWnd::TAboutWnd(TAboutBox* box)
    : QDialog(qobject_cast<QWidget*>(box->parent())), m_ui(std::make_unique<Ui::AboutWnd>())
{
    m_ui->setupUi(this);
    // A dialog's caption bar: no minimise or maximise button, a fixed size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    QFont notice(QStringLiteral("Arial"));
    notice.setPixelSize(9);
    m_ui->lblWarning->setFont(notice);
    m_ui->btnOk->setAutoDefault(true);
    connect(m_ui->btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->btnSysInfo, &QPushButton::clicked, this, guarded([this] { btnSysInfoClick(); }));
    m_ui->lblUrl->installEventFilter(this);
    FormCreate();
    ShowBox(*box);
}

TAboutWnd::~TAboutWnd() = default;

void TAboutWnd::FormCreate()
{
    ShowVersion(ProgramVersion::text(ProgramVersion::fileVersion(), QStringLiteral("Build")));
}

void TAboutWnd::ShowVersion(const QString& text)
{
    m_ui->lblVersion->setText(text);
    m_ui->lblVersionInfo->setVisible(!text.isEmpty());
    m_ui->lblVersion->setVisible(!text.isEmpty());
}

void TAboutWnd::ShowBox(const TAboutBox& box)
{
    Ui::AboutWnd& ui = *m_ui;
    // The texts are measured in the fonts they are shown in.
    ensurePolished();
    setWindowTitle(windowTitle().replace(QLatin1String("%s"), box.AppName()));
    ui.lblAppName->setText(ui.lblAppName->text().replace(QLatin1String("%s"), box.AppName()));
    ui.lblCopyright->setText(box.Copyright());
    ui.lblWarning->setText(box.Warning());
    ui.lblUrl->setText(box.Url());
    ui.lblUrl->setToolTip(box.Url());
    FitTexts();

    QSize remembered = ui.imgApp->size();
    const QImage picture = box.Picture();
    if (!picture.isNull()) {
        ui.imgApp->setPixmap(QPixmap::fromImage(picture));
        ui.imgApp->resize(picture.width(), std::max(ui.imgApp->height(), picture.height()));
    } else {
        ui.imgApp->resize(0, 0);
        remembered = QSize(0, 0);
        ui.bvlOuter->hide();
    }
    // The frame keeps around the picture, however large it is.
    ui.bvlOuter->resize(ui.imgApp->width() + 2, ui.imgApp->height() + 1);
    const int dx = ui.imgApp->width() - remembered.width();
    const int dy = ui.imgApp->height() - remembered.height();
    Grow(dx, dy);
    setFixedSize(DesignWidth + dx, DesignHeight + dy);
}

void TAboutWnd::FitTexts()
{
    Ui::AboutWnd& ui = *m_ui;
    // The design's places are for a narrower font: a text never runs into
    // the next one, and a button is as wide as its caption needs.
    for (QLabel* label : {ui.lblAppName, ui.lblVersionInfo, ui.lblVersion, ui.lblUrl})
        label->resize(label->sizeHint().width(), label->height());
    const QRect info = ui.lblVersionInfo->geometry();
    ui.lblVersion->move(std::max(ui.lblVersion->x(), info.x() + info.width() + 4),
                        ui.lblVersion->y());
    const int copyrightHeight = ui.lblCopyright->heightForWidth(ui.lblCopyright->width());
    if (copyrightHeight > ui.lblCopyright->height()) {
        const int more = copyrightHeight - ui.lblCopyright->height();
        ui.lblCopyright->resize(ui.lblCopyright->width(), copyrightHeight);
        ui.lblUrl->move(ui.lblUrl->x(), ui.lblUrl->y() + more);
    }
    int right = ui.btnOk->geometry().right();
    for (QPushButton* button : {ui.btnOk, ui.btnSysInfo}) {
        const int width = std::max(button->width(), button->sizeHint().width());
        button->setGeometry(right - width + 1, button->y(), width, button->height());
        right = button->x() - 8;
    }
}

void TAboutWnd::Grow(int dx, int dy)
{
    Ui::AboutWnd& ui = *m_ui;
    // The texts at the top keep their distance to the right edge; the
    // separator, the notice and the buttons theirs to the bottom, the
    // separator and the notice spanning the width, the buttons at the right.
    for (QWidget* top :
         {static_cast<QWidget*>(ui.lblAppName), static_cast<QWidget*>(ui.lblVersionInfo),
          static_cast<QWidget*>(ui.lblVersion), static_cast<QWidget*>(ui.lblCopyright),
          static_cast<QWidget*>(ui.lblUrl)})
        top->move(top->x() + dx, top->y());
    for (QWidget* spanning :
         {static_cast<QWidget*>(ui.bvlSep), static_cast<QWidget*>(ui.lblWarning)})
        spanning->setGeometry(spanning->x(), spanning->y() + dy, spanning->width() + dx,
                              spanning->height());
    for (QWidget* button : {ui.btnSysInfo, ui.btnOk})
        button->move(button->x() + dx, button->y() + dy);
}

void TAboutWnd::btnSysInfoClick()
{
    for (const QString& program : SystemInfoPrograms)
        if (Dialogs::instance().startProgram(program, {}))
            return;
    Dialogs::instance().message(MessageKind::Error,
                                QStringLiteral("Could not execute system information!"), Ok);
}

void TAboutWnd::lblUrlClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    // What the desktop makes of an address it cannot open is its own affair.
    Dialogs::instance().openUrl(m_ui->lblUrl->toolTip());
}

bool TAboutWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->lblUrl && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblUrlClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutWnd::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}
