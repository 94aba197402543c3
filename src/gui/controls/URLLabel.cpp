#include "gui/controls/URLLabel.h"

#include "core/util/Dialogs.h"
#include "gui/controls/ControlLook.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <QUrl>

namespace {

// "javascript:", "file:", "C:" and the like; a host with a port
// ("www.example.dk:8080/side") is an address, not a scheme.
bool hasScheme(const QString& text)
{
    static const QRegularExpression scheme(
        QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?![0-9]+(?:[/?#]|$))"));
    return scheme.match(text).hasMatch();
}

QString webTarget(const QString& url)
{
    const QString text = url.trimmed();
    QString target;
    if (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        target = text;
    else if (!text.isEmpty() && !hasScheme(text) && !QStringLiteral("/\\.~").contains(text[0]))
        target = QStringLiteral("http://") + text;
    const QUrl parsed(target);
    return parsed.isValid() && !parsed.host().isEmpty() ? target : QString();
}

QString mailTarget(const QString& url)
{
    // Up to the first "@" the recipient's name, after it the domain; every
    // character that could end the address or start a header is encoded.
    const QString text = url.trimmed();
    const qsizetype at = text.indexOf(u'@');
    QByteArray address = QUrl::toPercentEncoding(text.left(at < 0 ? text.size() : at), "+");
    if (at >= 0)
        address += '@' + QUrl::toPercentEncoding(text.mid(at + 1));
    return QStringLiteral("mailto:") + QString::fromLatin1(address);
}

} // namespace

TURLLabel::TURLLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Plain text: an "&" in an address is shown as it is.
    setTextFormat(Qt::PlainText);
    m_passiveFont = font();
    m_passiveColor = palette().color(QPalette::WindowText);
    m_linkFont = font();
    m_linkFont.setUnderline(true);
    UseFont(m_passiveFont, m_passiveColor);
}

QString TURLLabel::Prefix(TLinkType type)
{
    switch (type) {
    case ltFile:
        return QStringLiteral("file://");
    case ltFTP:
        return QStringLiteral("ftp://");
    case ltGopher:
        return QStringLiteral("gopher://");
    case ltHTTP:
        return QStringLiteral("http://");
    case ltMailTo:
        return QStringLiteral("mailto:");
    case ltNews:
        return QStringLiteral("news:");
    case ltTelNet:
        return QStringLiteral("telnet:");
    case ltNone:
        break;
    }
    return QString();
}

QStringList TURLLabel::ComposedTexts(const QObject* window)
{
    // The name keeps the label's texts from being captured and put back;
    // the whole keys keep a language file's entry from overwriting them.
    QStringList excluded;
    for (const TURLLabel* link : window->findChildren<TURLLabel*>()) {
        const QString name = link->objectName();
        if (!name.isEmpty())
            excluded << name << name + QStringLiteral(".Caption") << name + QStringLiteral(".Hint");
    }
    return excluded;
}

void TURLLabel::SetLinkFont(const QFont& f)
{
    m_linkFont = f;
    update();
}

void TURLLabel::SetLinkColor(const QColor& color)
{
    m_linkColor = color;
    update();
}

void TURLLabel::SetPassiveFont(const QFont& f)
{
    m_passiveFont = f;
    update();
}

void TURLLabel::SetPassiveColor(const QColor& color)
{
    m_passiveColor = color;
    update();
}

void TURLLabel::SetCaption(const QString& caption)
{
    m_captionSet = true;
    setText(caption);
    FitToText();
}

void TURLLabel::SetURL(const QString& text)
{
    if (text == m_url)
        return;
    // A text with "@" is a mail address; nothing turns the kind back.
    if (text.contains(u'@'))
        m_linkType = ltMailTo;
    const QString head = text.left(7).toLower();
    m_url =
        (head == QLatin1String("mailto:") || head == QLatin1String("http://")) ? text.mid(7) : text;
    UpdateDisplay();
}

void TURLLabel::SetURLAsHint(bool on)
{
    if (on == m_urlAsHint)
        return;
    m_urlAsHint = on;
    UpdateHint();
}

void TURLLabel::SetShowPrefix(bool on)
{
    m_showPrefix = on;
    UpdateDisplay();
}

void TURLLabel::SetLabelType(TLabelType type)
{
    if (type == m_labelType)
        return;
    m_labelType = type;
    ApplyFont();
}

void TURLLabel::SetLinkType(TLinkType type)
{
    if (type == m_linkType)
        return;
    m_linkType = type;
    CheckHandler();
    UpdateDisplay();
}

void TURLLabel::SetAutoSize(bool on)
{
    m_autoSize = on;
    FitToText();
}

void TURLLabel::ApplyFont()
{
    if (m_labelType == Active)
        UseFont(m_linkFont, m_linkColor);
    else
        UseFont(m_passiveFont, m_passiveColor);
}

void TURLLabel::UseFont(const QFont& f, const QColor& color)
{
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
    FitToText();
}

void TURLLabel::UpdateDisplay()
{
    if (m_showPrefix) {
        if (m_linkType != ltNone)
            SetDisplayText(Prefix(m_linkType) + m_url);
    } else {
        SetDisplayText(m_url);
    }
}

void TURLLabel::SetDisplayText(const QString& text)
{
    if (!m_captionSet) {
        setText(text);
        FitToText();
    }
    m_displayText = text;
    UpdateHint();
}

void TURLLabel::UpdateHint()
{
    setToolTip(m_urlAsHint ? m_displayText : QString());
}

void TURLLabel::CheckHandler()
{
    if (m_linkType == ltHTTP)
        m_handlerScheme = QStringLiteral("http");
    else if (m_linkType == ltMailTo)
        m_handlerScheme = QStringLiteral("mailto");
}

bool TURLLabel::HandlerAvailable()
{
    if (!m_handlerScheme.isEmpty()) {
        m_handlerAvailable = Dialogs::instance().hasHandler(m_handlerScheme);
        m_handlerScheme.clear();
    }
    return m_handlerAvailable;
}

QString TURLLabel::Target() const
{
    switch (m_linkType) {
    case ltHTTP:
        return webTarget(m_url);
    case ltMailTo:
        return mailTarget(m_url);
    case ltNone:
        return QString();
    default:
        return Prefix(m_linkType) + m_url;
    }
}

void TURLLabel::FitToText()
{
    if (m_autoSize)
        fitToText(this, sizeHint(), alignment());
}

void TURLLabel::Loaded()
{
    if (m_labelType == Auto)
        UseFont(m_passiveFont, m_passiveColor);
    else
        ApplyFont();
}

void TURLLabel::Click()
{
    emit clicked();
    if (m_linkType == ltNone)
        return;
    if (m_labelType == Passive || (m_labelType == Auto && !HandlerAvailable()))
        return;
    if (const QString target = Target(); !target.isEmpty())
        Dialogs::instance().openUrl(target);
}

void TURLLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Click();
}

void TURLLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    if (m_labelType == Auto)
        UseFont(m_linkFont, m_linkColor);
}

void TURLLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    if (m_labelType == Auto)
        UseFont(m_passiveFont, m_passiveColor);
}
