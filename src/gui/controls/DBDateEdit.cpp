#include "gui/controls/DBDateEdit.h"

#include "core/util/Dialogs.h"
#include "gui/controls/ControlLook.h"

#include <QCalendarWidget>
#include <QDate>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

const QString TDBDateEdit::BlankMask = QStringLiteral("  -  -    ");
const QString TDBDateEdit::Format = QStringLiteral("dd-MM-yyyy");

TDBDateEdit::TDBDateEdit(QWidget* parent)
    : QWidget(parent), FieldBound(this), m_edit(new QLineEdit(this)),
      m_button(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_button);
    m_edit->setInputMask(QStringLiteral("99-99-9999; "));
    setWhiteBackground(m_edit);
    m_button->setText(QStringLiteral("▾"));
    m_button->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);

    m_link.ControlText = [this] { return text(); };
    m_link.watch(m_edit);
    m_edit->installEventFilter(this);
    m_link.OnDataChange = [this] { load(); };
    m_link.OnStateChange = [this] { updateReadOnly(); };
    connect(&m_link, &TFieldDataLink::exited, this, &TDBDateEdit::exited);
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        if (!m_loading)
            m_link.Modified();
        emit changed();
    });
    connect(m_button, &QToolButton::clicked, this, [this] {
        emit buttonClicked();
        openCalendar();
    });
    updateReadOnly();
    load();
}

TDBDateEdit::~TDBDateEdit() = default;

// A window holds several date edits and the user seldom opens a calendar: it
// is made when first wanted, not with the window.
QCalendarWidget* TDBDateEdit::calendar()
{
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(this);
        m_calendar->setWindowFlags(Qt::Popup);
        m_calendar->setGridVisible(true);
        m_calendar->hide();
        m_calendar->installEventFilter(this);
        connect(m_calendar, &QCalendarWidget::clicked, this, &TDBDateEdit::pick);
        connect(m_calendar, &QCalendarWidget::activated, this, &TDBDateEdit::pick);
    }
    return m_calendar;
}

QString TDBDateEdit::text() const
{
    return m_edit->displayText();
}

void TDBDateEdit::setText(const QString& text)
{
    m_edit->setText(text);
}

void TDBDateEdit::load()
{
    m_loading = true;
    const QString value = m_link.FieldText();
    // setText("") on a masked edit would not emit a change when it already
    // shows blanks, but moving from a dated record must still be heard.
    const QString before = text();
    m_edit->setText(value);
    if (text() == before)
        emit changed();
    m_loading = false;
    updateReadOnly();
}

void TDBDateEdit::updateReadOnly()
{
    const bool readOnly = !m_link.CanModify();
    m_edit->setReadOnly(readOnly);
    m_button->setEnabled(!readOnly);
}

void TDBDateEdit::openCalendar()
{
    if (!m_link.CanModify())
        return;
    const QDate current = QDate::fromString(text(), Format);
    QCalendarWidget* popup = calendar();
    popup->setSelectedDate(current.isValid() ? current : QDate::currentDate());
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    popup->setFocus(Qt::PopupFocusReason);
}

void TDBDateEdit::pick(const QDate& date)
{
    m_calendar->hide();
    bool editing = m_link.Editing();
    if (!editing)
        guarded([&] { editing = m_link.Edit(); })();
    if (!editing)
        return;
    setText(date.toString(Format));
    m_edit->setFocus(Qt::OtherFocusReason);
    // A picked date is in the record at once, as a chosen value should be.
    guarded([this] { m_link.UpdateRecord(); })();
}

bool TDBDateEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier)) {
            emit buttonClicked();
            openCalendar();
            return true;
        }
    }
    if (watched == m_calendar && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_calendar->hide();
        m_edit->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
