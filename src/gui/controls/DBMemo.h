#pragma once

#include "gui/controls/FieldDataLink.h"

#include <QPlainTextEdit>

class TDataSource;

// A multi-line memo bound to a field, with a vertical scroll bar.
class TDBMemo : public QPlainTextEdit, public FieldBound
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBMemo(QWidget* parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString& text) { setPlainText(text); }

signals:
    void exited();

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void load();

    bool m_loading = false;
};
