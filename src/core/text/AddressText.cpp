#include "core/text/AddressText.h"

#include "core/store/Table.h"

namespace Address {

Fields FromCurrentRecord(TTable& contacts)
{
    Fields f;
    if (!contacts.Active())
        return f;
    auto value = [&](const char* name) {
        return contacts.FieldByName(QLatin1String(name)).AsString();
    };
    f.navn = value("Navn");
    f.adresse1 = value("Adresse1");
    f.adresse2 = value("Adresse2");
    f.postnr = value("Postnr");
    f.bynavn = value("Bynavn");
    f.land = value("Land");
    return f;
}

QString NameLine(const Fields& f)
{
    return f.navn.left(LineLimit);
}

QString PostalLine(const Fields& f)
{
    QString line = f.postnr;
    if (!f.bynavn.isEmpty())
        line += u' ' + f.bynavn;
    return line.left(LineLimit);
}

QString Text(const Fields& f)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    const QString name = NameLine(f);
    if (!name.isEmpty())
        text += name + crlf;
    if (!f.adresse1.isEmpty())
        text += f.adresse1 + crlf;
    if (!f.adresse2.isEmpty())
        text += f.adresse2 + crlf;
    text += PostalLine(f) + crlf;
    if (!f.land.isEmpty())
        text += f.land;
    return text;
}

} // namespace Address
