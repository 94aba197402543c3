#include "gui/controls/DBNavigator.h"

#include "core/store/DataSource.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

// The buttons carry no object names of their own: they are parts of the
// navigator, not components of the window it is placed on.
constexpr const char* glyphs[TDBNavigator::ButtonCount] = {"|◀", "◀", "▶", "▶|", "+",
                                                           "−",  "▲", "✔", "✖"};

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < ButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(glyphs[i]));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, [this, i] { BtnClick(Button(i)); });
        layout->addWidget(b);
        m_buttons[size_t(i)] = b;
    }
    SetHints(DefaultHints());
    m_link.stateChange = m_link.viewChange = m_link.sourceDestroyed = [this] { updateButtons(); };
    m_link.dataChange = [this](TField*) { updateButtons(); };
    updateButtons();
}

QStringList TDBNavigator::DefaultHints()
{
    return {QStringLiteral("Første"), QStringLiteral("Forrige"), QStringLiteral("Næste"),
            QStringLiteral("Sidste"), QStringLiteral("Tilføj"),  QStringLiteral("Slet"),
            QStringLiteral("Ret"),    QStringLiteral("Gem"),     QStringLiteral("Fortryd")};
}

void TDBNavigator::SetDataSource(TDataSource* source)
{
    if (m_link.LinkedSource() == source)
        return;
    m_link.LinkTo(source);
    updateButtons();
}

void TDBNavigator::SetVisibleButtons(Buttons buttons)
{
    m_visible = buttons;
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[size_t(i)]->setVisible(buttons.testFlag(ButtonFlag(1 << i)));
}

void TDBNavigator::SetHints(const QStringList& hints)
{
    m_hints = hints;
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[size_t(i)]->setToolTip(i < hints.size() ? hints.at(i) : QString());
}

TTable* TDBNavigator::table() const
{
    TTable* t = m_link.LinkedSource() ? m_link.LinkedSource()->DataSet() : nullptr;
    return t && t->Active() ? t : nullptr;
}

void TDBNavigator::updateButtons()
{
    TTable* t = table();
    std::array<bool, ButtonCount> enabled{};
    if (t) {
        const bool editing = t->IsEditing();
        const bool empty = t->IsEmpty();
        // Neither asks for the record's place: after a post that would step
        // through the order up to it.
        const bool first = empty || t->IsFirst();
        const bool last = empty || t->IsLast();
        enabled = {!first, !first, !last, !last, true, !empty, !editing, editing, editing};
    }
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[size_t(i)]->setEnabled(enabled[size_t(i)]);
}

void TDBNavigator::perform(Button which)
{
    TTable* t = table();
    if (!t)
        return;
    switch (which) {
    case First:
        return t->First();
    case Prior:
        return t->Prior();
    case Next:
        return t->Next();
    case Last:
        return t->Last();
    case Insert:
        return t->Insert();
    case Delete:
        if (!m_confirmDelete || Dialogs::instance().message(
                                    MessageKind::Confirmation, QStringLiteral("Slet denne post?"),
                                    MessageButton::Ok | MessageButton::Cancel) == MessageButton::Ok)
            t->Delete();
        return;
    case Edit:
        return t->Edit();
    case Post:
        return t->Post();
    case Cancel:
        return t->Cancel();
    }
}

void TDBNavigator::BtnClick(Button which)
{
    guarded([this, which] {
        perform(which);
        updateButtons();
        emit clicked(which);
    })();
    updateButtons();
}
