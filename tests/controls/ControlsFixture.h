#pragma once

#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/store/DataSource.h"
#include "core/store/Table.h"

#include <QStringList>

#include <memory>

// A fresh data folder with a contact table and a keyword table open, each
// with its data source, and recorded dialogs.
struct ControlsFixture
{
    ControlsFixture();

    // Posts one contact: name, phone, then field/value pairs.
    void addContact(const QString& name, const QString& phone, const QStringList& more = {});
    void addKeyword(const QString& word);
    // Writes many contacts straight into the file, then reopens the table.
    void fillContacts(int count);

    TempDataFolder folder;
    RecordingDialogs dialogs;
    TTable contacts;
    TDataSource contactSource;
    TTable keywords;
    TDataSource keywordSource;
};
