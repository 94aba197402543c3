#pragma once

#include "toolkit/FieldDataLink.h"

#include <QPlainTextEdit>

class TDataSource;

// A multi-line memo bound to a field, with a vertical scroll bar.
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    TDataSource* DataSource() const { return m_link.DataSource(); }
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool readOnly) { m_link.SetReadOnly(readOnly); }
    FieldDataLink& Link() { return m_link; }

    QString text() const { return toPlainText(); }
    void setText(const QString& text) { setPlainText(text); }

signals:
    void exited();

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void load();

    FieldDataLink m_link;
    bool m_loading = false;
};
