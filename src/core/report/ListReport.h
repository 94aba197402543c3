#pragma once

#include "core/report/ReportDocument.h"

#include <QString>

class TTable;

// The phone-list report: every record the contact table shows, under its
// filter and in its order, laid out as the phone list and shown in the
// print preview, from which the user prints. Made for one print.
class TListReportForm
{
public:
    explicit TListReportForm(TTable& dataSet);
    TListReportForm(const TListReportForm&) = delete;
    TListReportForm& operator=(const TListReportForm&) = delete;

    const QString& ReportTitle() const { return m_title; }
    void SetReportTitle(const QString& title) { m_title = title; }

    // The pages as they print.
    ReportDocument Document() const;
    // Shows the print preview and returns when it is closed. The report
    // walks the table to its end: the last record listed is then current.
    void Preview();

    // The phone list under its title in the active language.
    static void PrintPhoneList(TTable& contacts);

private:
    TTable& m_dataSet;
    QString m_title;
};
