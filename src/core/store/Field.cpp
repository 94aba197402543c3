#include "core/store/Field.h"

#include "core/store/Table.h"

#include <QDate>

#include <algorithm>

const QString& TField::FieldName() const
{
    return m_table->Definition()->fields[size_t(m_index)].name;
}

FieldType TField::DataType() const
{
    return m_table->Definition()->fields[size_t(m_index)].type;
}

bool TField::IsNull() const
{
    const QVariant v = m_table->BufferValue(m_index);
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

QString TField::AsString() const
{
    return TTable::DisplayText(DataType(), m_table->BufferValue(m_index));
}

qint64 TField::AsInteger() const
{
    const QVariant v = m_table->BufferValue(m_index);
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
    return n;
}

void TField::SetAsString(const QString& text)
{
    const FieldDefinition& def = m_table->Definition()->fields[size_t(m_index)];
    switch (def.type) {
    case FieldType::Integer: {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            m_table->SetBufferValue(m_index, QVariant());
            return;
        }
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        m_table->SetBufferValue(m_index, QVariant(n));
        return;
    }
    case FieldType::Date: {
        // The blank mask "  -  -    " is an empty date.
        QString bare = text;
        bare.remove(u'-').remove(u' ');
        if (bare.isEmpty()) {
            m_table->SetBufferValue(m_index, QVariant());
            return;
        }
        const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("dd-MM-yyyy"));
        if (!d.isValid())
            throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(text));
        m_table->SetBufferValue(m_index, d.toString(Qt::ISODate));
        return;
    }
    case FieldType::Text:
    case FieldType::Memo:
        break;
    }
    // Cut at the field's size, but never between the two halves of a character.
    qsizetype size = def.size > 0 ? std::min<qsizetype>(def.size, text.size()) : text.size();
    if (size < text.size() && size > 0 && text[size - 1].isHighSurrogate())
        --size;
    m_table->SetBufferValue(m_index, text.left(size));
}

void TField::SetAsInteger(qint64 value)
{
    if (DataType() == FieldType::Integer)
        m_table->SetBufferValue(m_index, QVariant(value));
    else
        SetAsString(QString::number(value));
}

void TField::Clear()
{
    m_table->SetBufferValue(m_index, QVariant());
}
