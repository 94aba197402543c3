#include "core/report/ListReport.h"

#include "core/i18n/InCodeText.h"
#include "core/report/PhoneListLayout.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

namespace {

const InCodeTexts PhoneListTitle = {
    QStringLiteral("Telefonliste"), QStringLiteral("Phone Directory"),
    QStringLiteral("Telefonliste"), QStringLiteral("Telefonliste"), QStringLiteral("Telefonliste")};

} // namespace

TListReportForm::TListReportForm(TTable& dataSet) : m_dataSet(dataSet) {}

ReportDocument TListReportForm::Document() const
{
    PhoneListLayout layout(m_title);
    std::vector<int> fields;
    for (const char* name : PhoneListLayout::Fields)
        fields.push_back(m_dataSet.FieldByName(QLatin1String(name)).Index());
    // One pass over the records shown; the seven fields are plain texts.
    m_dataSet.TextsInOrder(fields, [&layout](const QString* values) { layout.addRecord(values); });
    return layout.finish();
}

void TListReportForm::Preview()
{
    const ReportDocument document = Document();
    Dialogs::instance().printPreview(document);
    if (!document.pages.empty())
        m_dataSet.Last();
}

void TListReportForm::PrintPhoneList(TTable& contacts)
{
    TListReportForm report(contacts);
    report.SetReportTitle(inCodeText(PhoneListTitle));
    report.Preview();
}
