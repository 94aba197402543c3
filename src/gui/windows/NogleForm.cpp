#include "gui/windows/NogleForm.h"

#include "core/component/ComponentTree.h"
#include "core/data/DM.h"
#include "core/util/Dialogs.h"
#include "gui/i18n/FormLocalizer.h"
#include "ui_NogleForm.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>

TNogleForm::TNogleForm(TDM* dm, TQCustomLanguageSource* languageSource, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::NogleForm>()), m_dm(dm)
{
    ComponentTree::beginLoading(this);
    m_ui->setupUi(this);
    setFont([] {
        QFont f = QDialog().font();
        f.setPixelSize(11);
        return f;
    }());
    m_ui->DBGrid1->Columns()->Add(QStringLiteral("Nogleord"), QStringLiteral("Nøgleord"));
    m_ui->DBGrid1->SetDataSource(dm->NogleSource);
    // The one column fills the window.
    m_ui->DBGrid1->horizontalHeader()->setStretchLastSection(true);
    m_ui->DBNavigator1->SetVisibleButtons(TDBNavigator::Buttons(TDBNavigator::InsertButton) |
                                          TDBNavigator::DeleteButton | TDBNavigator::PostButton);
    m_ui->DBNavigator1->SetDataSource(dm->NogleSource);
    m_localizer = new TQFormLocalizer(this);
    m_localizer->setObjectName(QStringLiteral("QFormLocalizer1"));
    m_localizer->SetPropNames(
        {QStringLiteral("Caption"), QStringLiteral("Hint"), QStringLiteral("Columns")});
    m_localizer->SetSource(languageSource);
    ComponentTree::endLoading(this);
    connect(m_ui->DBGrid1, &TDBGrid::keyDown, this,
            [this](QKeyEvent* e) { guarded([this, e] { DBGrid1KeyDown(e); })(); });
}

TNogleForm::~TNogleForm() = default;

void TNogleForm::DBGrid1KeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return;
    TTable& words = *m_dm->NogleTable;
    if (words.IsEditing())
        words.Post();
}

bool TNogleForm::SettleRow()
{
    TTable& words = *m_dm->NogleTable;
    if (!words.Active() || !words.IsEditing())
        return true;
    guarded([&words] { words.CheckBrowseMode(); })();
    return !words.IsEditing();
}

void TNogleForm::done(int result)
{
    if (SettleRow())
        QDialog::done(result);
}

void TNogleForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Where the window system tells the frame by now, the frame is part of
    // the window's size.
    const QSize frame = frameGeometry().size() - size();
    if (!frame.isEmpty() && frameGeometry().size() != OuterSize)
        resize(OuterSize - frame);
    if (QScreen* s = screen()) {
        QRect outer = frameGeometry();
        outer.moveCenter(s->availableGeometry().center());
        move(outer.topLeft());
    }
}

void TNogleForm::KeywordInserted()
{
    m_ui->DBGrid1->setFocus();
}
