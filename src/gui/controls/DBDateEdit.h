#pragma once

#include "gui/controls/FieldDataLink.h"

#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;
class TDataSource;

// A date bound to a field, typed as "dd-MM-yyyy" into a mask, with a
// button that opens a calendar to pick from. An empty date shows the blank
// mask, and text() reads exactly that.
class TDBDateEdit : public QWidget, public FieldBound
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY changed)
public:
    static const QString BlankMask; // "  -  -    "
    static const QString Format;    // "dd-MM-yyyy"

    explicit TDBDateEdit(QWidget* parent = nullptr);
    ~TDBDateEdit() override;

    // The text as shown, blanks included.
    QString text() const;
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* button() const { return m_button; }
    QCalendarWidget* calendar();

    void openCalendar();

signals:
    // The text changed: typing, a date picked, the record moved.
    void changed();
    // The calendar button was pressed (the calendar opens after this).
    void buttonClicked();
    void exited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void pick(const QDate& date);
    void updateReadOnly();

    QLineEdit* m_edit;
    QToolButton* m_button;
    QCalendarWidget* m_calendar = nullptr;
    bool m_loading = false;
};
