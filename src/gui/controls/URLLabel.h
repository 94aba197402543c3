#pragma once

#include "core/component/ComponentTree.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QStringList>

// A label that shows an address as a link and opens it with the desktop's
// program when clicked. It derives the address from a text with or without
// a scheme in front, can show the scheme or not and the address as its hint,
// and switches between a link font and a passive font.
class TURLLabel : public QLabel, public TLoadable
{
    Q_OBJECT
public:
    enum TLabelType
    {
        Auto,
        Passive,
        Active
    };
    Q_ENUM(TLabelType)
    enum TLinkType
    {
        ltFile,
        ltFTP,
        ltGopher,
        ltHTTP,
        ltMailTo,
        ltNews,
        ltTelNet,
        ltNone
    };
    Q_ENUM(TLinkType)

private:
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(QFont LinkFont READ LinkFont WRITE SetLinkFont)
    Q_PROPERTY(QColor LinkColor READ LinkColor WRITE SetLinkColor)
    Q_PROPERTY(QFont PassiveFont READ PassiveFont WRITE SetPassiveFont)
    Q_PROPERTY(QColor PassiveColor READ PassiveColor WRITE SetPassiveColor)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(bool URLAsHint READ URLAsHint WRITE SetURLAsHint)
    Q_PROPERTY(bool ShowPrefix READ ShowPrefix WRITE SetShowPrefix)
    Q_PROPERTY(TLabelType LabelType READ LabelType WRITE SetLabelType)
    Q_PROPERTY(TLinkType LinkType READ LinkType WRITE SetLinkType)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

public:
    explicit TURLLabel(QWidget* parent = nullptr);

    static QString Prefix(TLinkType type);
    // A link shows what the program put into it (the current contact's
    // address), not a text of its window: the exclusion list for a form
    // localizer that keeps its hands off every link of the window.
    static QStringList ComposedTexts(const QObject* window);

    QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    QFont LinkFont() const { return m_linkFont; }
    void SetLinkFont(const QFont& font);
    QColor LinkColor() const { return m_linkColor; }
    void SetLinkColor(const QColor& color);
    QFont PassiveFont() const { return m_passiveFont; }
    void SetPassiveFont(const QFont& font);
    QColor PassiveColor() const { return m_passiveColor; }
    void SetPassiveColor(const QColor& color);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    QString URL() const { return m_url; }
    void SetURL(const QString& text);
    // Shows and links the address typed into an edit beside the label.
    void ShowAddress(const QString& text)
    {
        SetCaption(text);
        SetURL(text);
    }
    bool URLAsHint() const { return m_urlAsHint; }
    void SetURLAsHint(bool on);
    bool ShowPrefix() const { return m_showPrefix; }
    void SetShowPrefix(bool on);
    TLabelType LabelType() const { return m_labelType; }
    void SetLabelType(TLabelType type);
    TLinkType LinkType() const { return m_linkType; }
    void SetLinkType(TLinkType type);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool on);

    QString DisplayText() const { return m_displayText; }
    // Whether the desktop has a program for the link kind. Asked of the
    // desktop only when an automatic label needs to know, and then kept.
    bool HandlerAvailable();
    // The address a click opens, empty when the text must not be opened.
    // A web address opens as typed when it carries http:// or https://, and
    // with http:// in front when it is a bare address; no other scheme and
    // no path leaves a web label. A mail address opens as "mailto:" with the
    // address alone: whatever would make it more than a recipient for the
    // mail program (a "?subject=", an "&attach=") is percent-encoded.
    QString Target() const;

    // After the label has been read from a stored form.
    void Loaded() override;
    void Click();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ApplyFont();
    void UseFont(const QFont& font, const QColor& color);
    void UpdateDisplay();
    void SetDisplayText(const QString& text);
    void UpdateHint();
    void CheckHandler();
    void FitToText();

    QFont m_linkFont;
    QColor m_linkColor = Qt::blue;
    QFont m_passiveFont;
    QColor m_passiveColor;
    QString m_url;
    QString m_displayText;
    bool m_showPrefix = false;
    bool m_captionSet = false;
    TLabelType m_labelType = Auto;
    TLinkType m_linkType = ltHTTP;
    bool m_handlerAvailable = false;
    // The link kind whose handler the flag is still to be asked for; empty
    // when the flag stands. Asking starts a process, so it waits until an
    // automatic label is clicked and never runs while the window is built.
    QString m_handlerScheme;
    bool m_urlAsHint = true;
    bool m_autoSize = true;
};
