#include "TestSupport.h"

#include "store/DataFolder.h"

QString postalCodesCsv() { return QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"); }

TempDataFolder::TempDataFolder()
{
    DataFolder::createDelivered(data(), postalCodesCsv());
}
