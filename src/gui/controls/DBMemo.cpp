#include "gui/controls/DBMemo.h"

#include "core/util/Dialogs.h"
#include "gui/controls/ControlLook.h"

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent), FieldBound(this)
{
    setWhiteBackground(this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true); // Tab moves on through the page, as in every other control
    m_link.SetMultiLine(true);
    m_link.ControlText = [this] { return toPlainText(); };
    m_link.watch(this);
    m_link.OnDataChange = [this] { load(); };
    m_link.OnStateChange = [this] { setReadOnly(!m_link.CanModify()); };
    connect(&m_link, &TFieldDataLink::exited, this, &TDBMemo::exited);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            m_link.Modified();
    });
    setReadOnly(true);
}

void TDBMemo::load()
{
    // Laying out a memo's text is dear: not again when it stays the same.
    const QString value = m_link.FieldText();
    m_loading = true;
    if (value != toPlainText() || document()->isModified())
        setPlainText(value);
    m_loading = false;
    setReadOnly(!m_link.CanModify());
}

// Pastes and drops change the text without a key press: start the edit
// first, so that an insert's clearing comes before the new text.
void TDBMemo::insertFromMimeData(const QMimeData* source)
{
    bool editing = m_link.Editing();
    if (!editing)
        guarded([&] { editing = m_link.Edit(); })();
    if (editing)
        QPlainTextEdit::insertFromMimeData(source);
}
