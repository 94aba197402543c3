#pragma once

#include <QString>

#include <functional>

// Makes made-up address books of any size for the benchmarks and the tests:
// contacts with Danish names, addresses on real postal codes, phone numbers,
// birthdays over the whole year, keywords, card marks, family members and
// pictures for some. Everything is written through the record store with the
// data module's rules, so the files are exactly what the program writes. The
// same size and seed give the same book.
namespace BookGen {

struct Options
{
    int contacts = 1000;
    quint32 seed = 13;
    // Where the pictures go (named by record number, as the program names
    // them); none are made when empty.
    QString pictureFolder;
    // One contact in this many has a picture.
    int pictureEvery = 20;
};

struct Summary
{
    int contacts = 0;
    int familyMembers = 0;
    int keywords = 0; // the words of the keyword table
    int pictures = 0;
};

// Called now and then with the contacts written so far.
using Progress = std::function<void(int done, int total)>;

// Fills a data folder as it is delivered (no contacts yet), taking the
// postal codes from its Postnr.DB. Throws Exception when the folder cannot be
// opened or written; nothing is then written to its tables.
Summary fill(const QString& dataFolder, const Options& options, const Progress& progress = {});

// Creates the data folder as it is delivered, from the postal code list, and
// fills it. Refuses a folder that exists.
Summary make(const QString& dataFolder, const QString& postalCodesCsv, const Options& options,
             const Progress& progress = {});

} // namespace BookGen
