#include "gui/controls/QtDialogs.h"

#include "gui/report/ReportPainter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A splash goes away by itself (and is deleted then): a box shown over it
// would go with it, so a box never takes a splash as its parent.
QWidget* activeParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && active->windowType() == Qt::SplashScreen)
        return nullptr;
    return active;
}

} // namespace

MessageButton QtDialogs::message(MessageKind kind, const QString& text, MessageButtons buttons)
{
    // On the heap, watched: a parent window deleted while the box is open
    // deletes the box with it, which must not take a box on the stack.
    QPointer<QMessageBox> owned = new QMessageBox(activeParent());
    QMessageBox& box = *owned;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    switch (kind) {
    case MessageKind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    const std::pair<MessageButton, QMessageBox::StandardButton> map[] = {
        {Ok, QMessageBox::Ok},
        {Cancel, QMessageBox::Cancel},
        {Yes, QMessageBox::Yes},
        {No, QMessageBox::No}};
    QMessageBox::StandardButtons standard;
    for (const auto& [ours, qt] : map)
        if (buttons & ours)
            standard |= qt;
    box.setStandardButtons(standard ? standard : QMessageBox::Ok);
    const int answer = box.exec();
    delete owned.data();
    for (const auto& [ours, qt] : map)
        if (answer == qt)
            return ours;
    // Closed with Escape or the close button: the cancelling answer.
    return (buttons & Cancel) ? Cancel : (buttons & No) ? No : Ok;
}

QString QtDialogs::openFileName(const QString& filter)
{
    return QFileDialog::getOpenFileName(activeParent(), QString(), QString(), filter);
}

QString QtDialogs::saveFileName(const QString& filter, const QString& suggestedName,
                                QString* chosenFilter)
{
    const QString start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                              .filePath(suggestedName);
    return QFileDialog::getSaveFileName(activeParent(), QString(), start, filter, chosenFilter);
}

bool QtDialogs::openUrl(const QString& target)
{
    const QUrl url = target.startsWith(u'/') ? QUrl::fromLocalFile(target) : QUrl(target);
    return QDesktopServices::openUrl(url);
}

bool QtDialogs::hasHandler(const QString& scheme)
{
    if (const auto known = m_handlers.constFind(scheme); known != m_handlers.constEnd())
        return *known;
    // The desktop's own registry of URL handlers. The query runs a shell
    // script that starts dozens of processes: never more than once a kind.
    bool found = false;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                              QStringLiteral("x-scheme-handler/") + scheme});
        found = query.waitForFinished(2000) && !query.readAllStandardOutput().trimmed().isEmpty();
    }
    m_handlers.insert(scheme, found);
    return found;
}

bool QtDialogs::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

int QtDialogs::runModal(QObject*, const std::function<int()>& exec)
{
    return exec();
}

void QtDialogs::printPreview(const ReportDocument& document)
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPainter::setUpPrinter(printer);
    QPrintPreviewDialog preview(&printer, activeParent());
    preview.setWindowTitle(QApplication::applicationDisplayName());
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter* target) { ReportPainter::paint(*target, document); });
    preview.resize(preview.screen()->availableSize() * 0.8);
    preview.exec();
}
