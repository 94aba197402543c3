#include "gui/controls/DBEdit.h"

#include "core/store/Field.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"
#include "gui/controls/ControlLook.h"

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent), FieldBound(this)
{
    setWhiteBackground(this);
    m_link.ControlText = [this] { return text(); };
    m_link.watch(this);
    m_link.OnDataChange = [this] { load(); };
    m_link.OnStateChange = [this] { setReadOnly(!m_link.CanModify()); };
    connect(&m_link, &TFieldDataLink::exited, this, &TDBEdit::exited);
    connect(this, &QLineEdit::textChanged, this, &TDBEdit::onTextChanged);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::onTextEdited);
    setReadOnly(true);
}

void TDBEdit::load()
{
    // Most fields hold the same text from one contact to the next (often
    // none): setting it again would lay the text out again for nothing.
    const QString value = m_link.FieldText();
    m_loading = true;
    if (value != text() || isModified())
        setText(value);
    m_loading = false;
    // The edit takes no more than the field keeps, so nothing typed is cut off unseen.
    const TField* field = m_link.Field();
    const int size =
        field ? field->DataSet()->Definition()->fields[size_t(field->Index())].size : 0;
    setMaxLength(size > 0 ? size : 32767);
    setReadOnly(!m_link.CanModify());
}

void TDBEdit::onTextChanged()
{
    if (!m_loading)
        m_link.Modified();
}

// Text that reached the edit without a key press (a paste from the context
// menu, a drop) must start the edit too; an insert clears the controls, so
// the new text is put back afterwards.
// The length limit counts UTF-16 units: a character of two (an emoji)
// pasted up to the limit keeps its first half alone, which shows as nothing
// and no file can store. The half goes; the user sees where the text ends.
void TDBEdit::dropCutHalf()
{
    const QString t = text();
    const int at = cursorPosition() - 1;
    if (t.size() < maxLength() || at < 0 || !t[at].isHighSurrogate() ||
        (at + 1 < t.size() && t[at + 1].isLowSurrogate()))
        return;
    setText(t.left(at) + t.mid(at + 1));
    setCursorPosition(at);
}

void TDBEdit::onTextEdited()
{
    dropCutHalf();
    if (m_link.Editing())
        return;
    const QString typed = text();
    const int cursor = cursorPosition();
    bool editing = false;
    guarded([&] { editing = m_link.Edit(); })();
    if (!editing) {
        m_link.Reset();
        return;
    }
    setText(typed);
    setCursorPosition(cursor);
}
