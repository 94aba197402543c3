#include "gui/i18n/FormLocalizer.h"

#include "core/component/GridColumns.h"
#include "core/i18n/CommaText.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSettings.h"
#include "core/i18n/LanguageSource.h"
#include "core/i18n/LocalError.h"
#include "core/i18n/NameValueList.h"
#include "gui/controls/ComponentModel.h"
#include "gui/i18n/LocalizerPlan.h"

#include <QPointer>

#include <memory>

using ComponentModel::PropertyKind;
using NameValueList::contains;

namespace {

QObject* checkedOwner(QObject* owner)
{
    if (!owner)
        throw EQLocalError(QStringLiteral("Owner is not specified!"));
    if (!owner->findChildren<TQFormLocalizer*>(Qt::FindDirectChildrenOnly).isEmpty()) {
        throw EQLocalError(QStringLiteral("'%1' already contains instance of %2 class!")
                               .arg(owner->objectName(), QStringLiteral("TQFormLocalizer")));
    }
    return owner;
}

bool isCollectionKind(PropertyKind kind)
{
    return kind == PropertyKind::Collection || kind == PropertyKind::GridColumns;
}

int parseIndex(const QString& text)
{
    if (text.isEmpty() || text.size() > 9)
        return -1;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    return text.toInt();
}

bool belowCollection(const QObject* object, const QObject* window)
{
    for (const QObject* p = object->parent(); p && p != window; p = p->parent()) {
        if (ComponentTree::isCollection(p))
            return true;
    }
    return false;
}

bool isDescendant(const QObject* object, const QObject* window)
{
    for (const QObject* p = object->parent(); p; p = p->parent()) {
        if (p == window)
            return true;
    }
    return false;
}

} // namespace

TQFormLocalizer::TQFormLocalizer(QObject* owner)
    : TQCustomLocalizer(checkedOwner(owner)), m_plan(std::make_unique<LocalizerPlan>(*this))
{
    ComponentTree::markForm(owner);
}

TQFormLocalizer::~TQFormLocalizer() = default;

// --- lists --------------------------------------------------------------------

void TQFormLocalizer::SetPropNames(const QStringList& names)
{
    if (&names == &m_propNames)
        return;
    if (Source() && Source()->ActiveLanguage() >= 0) {
        QStringList leaving;
        QStringList joining;
        for (const QString& n : m_propNames) {
            if (!contains(names, n))
                leaving.append(n);
        }
        for (const QString& n : names) {
            if (!contains(m_propNames, n))
                joining.append(n);
        }
        if (!leaving.isEmpty())
            RestoreOriginals(leaving);
        if (!joining.isEmpty() && Owner())
            walkWindow({&m_originals, OwnerName(), joining});
    }
    m_propNames = names;
    m_plan->ListsChanged();
}

void TQFormLocalizer::SetOriginals(const QStringList& originals)
{
    if (&originals != &m_originals) {
        m_originals = originals;
        m_plan->OriginalsChanged();
    }
}

void TQFormLocalizer::SetDependencies(const QStringList& dependencies)
{
    if (&dependencies == &m_dependencies)
        return;
    m_dependencies = dependencies;
    m_plan->ListsChanged();
    if (!ComponentTree::isLoading(this))
        Localize();
}

void TQFormLocalizer::SetExcluded(const QStringList& excluded)
{
    if (&excluded == &m_excluded)
        return;
    m_excluded = excluded;
    m_plan->ListsChanged();
    if (!ComponentTree::isLoading(this))
        Localize();
}

// --- the language change ------------------------------------------------------

void TQFormLocalizer::Localize()
{
    LocalizeSection(OwnerName());
}

void TQFormLocalizer::LanguageChanging(int languageIndex, bool& allowChange)
{
    TQCustomLocalizer::LanguageChanging(languageIndex, allowChange);
    // Leaving the original language is the one moment its texts are captured.
    if (SourceLanguage() == -1 && languageIndex >= 0)
        CaptureOriginals();
}

void TQFormLocalizer::LanguageChanged()
{
    if (SourceLanguage() == -1)
        RestoreOriginals(m_propNames);
    TQCustomLocalizer::LanguageChanged();
}

void TQFormLocalizer::LocalizeSection(const QString& section)
{
    TQCustomLanguageSource* source = Source();
    if (!source || source->ActiveLanguage() < 0 ||
        source->ActiveLanguage() >= source->Languages().size()) {
        ApplyCharsetAndBiDiMode(CharSets::kDefaultCharSet, bdLeftToRight);
        RestoreOriginals(m_propNames);
        return;
    }
    const int biDiMode = source->ActiveSettings()->BiDiMode();
    const int charSet = source->ActiveSettings()->FontCharSet();
    ApplyCharsetAndBiDiMode(charSet, biDiMode);

    source->SetSection(section);
    QStringList entries;
    source->ReadSectionStrings(&entries);
    // Held here: a handler may localize the window again meanwhile.
    const std::shared_ptr<const LocalizerPlan::Section> resolved = m_plan->Resolve(entries);
    const std::vector<LocalizerPlan::SectionLine>* lines =
        resolved ? &LocalizerPlan::Lines(*resolved) : nullptr;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // A handler of the last entry may have changed the window: the
        // entries are then resolved one by one.
        if (lines && !m_plan->Stands(*resolved))
            lines = nullptr;
        const qsizetype eq = entries[i].indexOf(u'=');
        const QString key = lines ? (*lines)[i].key : entries[i].left(eq);
        const QString value = lines ? (*lines)[i].value : entries[i].mid(eq + 1);
        if (contains(m_excluded, key))
            continue;
        const LocalizerPlan::Entry* e = lines ? (*lines)[i].entry : m_plan->Planned(key);
        if (e && e->property) {
            applyProperty(e->object, e->propName, e->property, value);
            continue;
        }
        const ResolvedKey resolved = ResolveKey(key);
        ApplyValue(resolved.object, resolved.propName, value, m_propNames);
    }
}

// --- keys ---------------------------------------------------------------------

QString TQFormLocalizer::ComponentPath(const QObject* component) const
{
    const QObject* window = Owner();
    if (!window || !component)
        return QString();
    if (component == window)
        return window->objectName();
    if (ComponentTree::isComponentOf(component, window))
        return component->objectName();
    // Unnamed objects and Qt's internals on the window are no components and
    // have no path; items of collections and other sub-objects go by the window.
    if (isDescendant(component, window) && !belowCollection(component, window))
        return QString();
    return window->objectName();
}

QString TQFormLocalizer::PropertyKey(const QObject* object, const QString& propName) const
{
    if (propName.trimmed().isEmpty())
        return QString();
    if (object == Owner())
        return propName;
    const QString path = ComponentPath(object);
    return path.isEmpty() ? QString() : path + u'.' + propName;
}

TQFormLocalizer::ResolvedKey TQFormLocalizer::ResolveKey(const QString& key) const
{
    QObject* window = Owner();
    qsizetype delimiter = key.indexOf(u'.');
    if (delimiter < 0)
        return {window, key};
    const ResolvedKey nothing{nullptr, key.mid(key.lastIndexOf(u'.') + 1)};
    QString rest = key;
    QObject* current = window;
    while (delimiter >= 0) {
        const QString part = rest.left(delimiter);
        rest = rest.mid(delimiter + 1);
        if (QObject* owned =
                current == window ? ComponentTree::findComponent(window, part) : nullptr) {
            current = owned;
        } else if (contains(m_propNames, part)) {
            const ComponentModel::Property p = ComponentModel::property(current, part);
            if (isCollectionKind(p.kind())) {
                const qsizetype close = rest.indexOf(QLatin1String("]."));
                const int index = close < 0 ? -1 : parseIndex(rest.left(close));
                if (index < 0 || index >= p.count())
                    return nothing;
                current = p.item(index);
                rest = rest.mid(close + 2);
            } else if (p.kind() == PropertyKind::Object && p.object()) {
                current = p.object();
            } else {
                return nothing;
            }
        } else {
            return nothing;
        }
        const qsizetype bracket = rest.indexOf(u'[');
        const qsizetype dot = rest.indexOf(u'.');
        delimiter = bracket < 0 ? dot : (dot < 0 ? bracket : std::min(bracket, dot));
    }
    if (current == window)
        return nothing;
    return {current, rest};
}

// --- capture and save ---------------------------------------------------------

void TQFormLocalizer::CaptureOriginals()
{
    if (!Owner())
        return;
    m_originals.clear();
    walkWindow({&m_originals, OwnerName(), m_propNames});
}

void TQFormLocalizer::Save()
{
    TQCustomLocalizer::Save();
    if (Owner())
        SaveSection(OwnerName());
}

void TQFormLocalizer::SaveSection(const QString& section)
{
    if (Source() && Source()->ActiveLanguage() >= 0 && Owner())
        walkWindow({nullptr, section, m_propNames});
}

void TQFormLocalizer::walkWindow(const Walk& walk)
{
    if (walk.target == &m_originals)
        m_plan->OriginalsChanged();
    if (walk.target && !(m_saveOptions & soSaveEmpty) &&
        m_plan->CaptureInto(*walk.target, walk.propNames, walk.target == &m_originals))
        return;

    QHash<QString, qsizetype> lines;
    Walk indexed = walk;
    if (walk.target) {
        for (qsizetype i = 0; i < walk.target->size(); ++i) {
            const QString key = NameValueList::nameOf(walk.target->at(i)).toLower();
            if (!lines.contains(key))
                lines.insert(key, i);
        }
        indexed.lines = &lines;
    }
    // Saving runs handlers that may delete components.
    QObject* window = Owner();
    QList<QPointer<QObject>> objects{window};
    for (QObject* c : ComponentTree::components(window))
        objects.append(c);
    for (const QPointer<QObject>& object : objects) {
        if (object && !contains(m_excluded, ComponentPath(object)))
            processObject(object, indexed, std::nullopt);
    }
}

void TQFormLocalizer::followDependency(QObject* object, const QString& propName,
                                       QObject*& readObject, QString& readName)
{
    readObject = object;
    readName = propName;
    if (m_dependencies.isEmpty())
        return;
    qsizetype line = NameValueList::indexOfName(m_dependencies, propName);
    if (line < 0)
        return;
    QStringList seen{propName};
    QString name = NameValueList::valueOf(m_dependencies[line]);
    while ((line = NameValueList::indexOfName(m_dependencies, name)) >= 0) {
        if (contains(seen, name))
            return; // a loop: read the property itself
        seen.append(name);
        name = NameValueList::valueOf(m_dependencies[line]);
    }
    if (name == propName)
        return;
    const QStringList parts = name.split(u'.');
    QObject* current = object;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const PropertyRef p = m_plan->Lookup(current, parts[i]);
        if (p->kind() != PropertyKind::Object || !p->object())
            return;
        current = p->object();
    }
    readObject = current;
    readName = parts.last();
}

QString TQFormLocalizer::propertyText(QObject* object, const QString& propName, const Walk& walk,
                                      const std::optional<QString>& prefix)
{
    const PropertyRef ref = m_plan->Lookup(object, propName);
    const ComponentModel::Property& p = *ref;
    if (!p.isValid() || propName.trimmed().isEmpty() ||
        (object != Owner() && ComponentPath(object).isEmpty()))
        return QString();
    if (p.kind() != PropertyKind::Collection)
        return LocalizerPlan::CapturedText(p);
    // Each item is handled as an object of its own under "path.Prop[j]".
    const QString base = prefix ? *prefix : ComponentPath(object);
    for (int j = 0; j < p.count(); ++j) {
        if (QObject* item = p.item(j))
            processObject(item, walk, QStringLiteral("%1.%2[%3]").arg(base, propName).arg(j));
    }
    return QString();
}

void TQFormLocalizer::storeLine(const Walk& walk, const QString& key, const QString& value)
{
    const QString line = TQLanguageFile::EncodedLine(key, value);
    const QString folded = key.toLower();
    const qsizetype at = walk.lines->value(folded, -1);
    if (at >= 0) {
        (*walk.target)[at] = line;
    } else {
        walk.lines->insert(folded, walk.target->size());
        walk.target->append(line);
    }
}

bool TQFormLocalizer::processObject(QObject* object, const Walk& walk,
                                    const std::optional<QString>& prefix)
{
    for (const QString& propName : walk.propNames) {
        QObject* readObject = object;
        QString readName;
        followDependency(object, propName, readObject, readName);
        QString value = propertyText(readObject, readName, walk, prefix);
        if (value.isEmpty() && readName != propName &&
            (m_saveOptions & soIgnoreDependencyIfEmpty)) {
            readObject = object;
            readName = propName;
            value = propertyText(object, propName, walk, prefix);
        }
        if (LocalizerPlan::IsBlank(value) && !(m_saveOptions & soSaveEmpty))
            continue;
        const QString key = prefix ? *prefix + u'.' + readName : PropertyKey(readObject, readName);
        if (key.isEmpty())
            continue;
        if (walk.target) {
            storeLine(walk, key, value);
        } else if (TQCustomLanguageSource* source = Source()) {
            source->SetSection(walk.section.isEmpty() ? OwnerName() : walk.section);
            bool allow = true;
            PropertySaving(object, readName, allow, value);
            if (!allow)
                return false;
            source->WriteValue(key, value);
            PropertySaved(object, readName, value);
        }
    }
    return true;
}

// --- apply and restore --------------------------------------------------------

void TQFormLocalizer::RestoreOriginals(const QStringList& propNames)
{
    if (!Owner() || propNames.isEmpty())
        return;
    if (&propNames == &m_propNames) {
        m_plan->RestoreCaptured(m_originals,
                                [this](const LocalizerPlan::Entry& e, const QString& value) {
                                    applyProperty(e.object, e.propName, e.property, value);
                                });
    }
    for (qsizetype i = 0; i < m_originals.size();) {
        const QString line = m_originals[i];
        const qsizetype eq = line.indexOf(u'=');
        const QStringView key = QStringView(line).left(std::max<qsizetype>(eq, 0));
        const LocalizerPlan::Entry* e = eq >= 0 ? m_plan->Planned(key) : nullptr;
        const ResolvedKey resolved =
            e ? ResolvedKey{e->object, e->propName} : ResolveKey(NameValueList::nameOf(line));
        // Every planned property is one of the window's own names.
        if (!(e && &propNames == &m_propNames) && !contains(propNames, resolved.propName)) {
            ++i;
            continue;
        }
        const QString value = TQLanguageFile::DecodeValue(NameValueList::valueOf(line));
        if (e && e->property)
            applyProperty(e->object, e->propName, e->property, value);
        else
            ApplyValue(resolved.object, resolved.propName, value, propNames);
        // The handler of an applied property may have changed the list.
        const qsizetype at =
            i < m_originals.size() && m_originals[i] == line ? i : m_originals.indexOf(line);
        if (at >= 0) {
            m_originals.removeAt(at);
            m_plan->OriginalsChanged();
        }
        i = std::min(i, m_originals.size());
    }
}

void TQFormLocalizer::ApplyValue(QObject* object, const QString& propName, const QString& value,
                                 const QStringList& propNames)
{
    if (!object || !contains(propNames, propName))
        return;
    applyProperty(object, propName, m_plan->Lookup(object, propName), value);
}

// The name and the property are held here: a handler may change the window,
// and with it the plan they came from, or delete the object itself.
void TQFormLocalizer::applyProperty(QObject* object, const QString propName,
                                    const PropertyRef property, const QString& value)
{
    const ComponentModel::Property& p = *property;
    if (!p.isValid())
        return;
    const QPointer<QObject> alive(object);
    bool allow = true;
    QString newValue = value;
    PropertyLocalizing(object, propName, allow, newValue);
    if (!allow || !alive)
        return;
    switch (p.kind()) {
    case PropertyKind::Text:
        // A text left empty in the window stays empty.
        if (!p.text().isEmpty())
            p.writeText(newValue);
        break;
    case PropertyKind::TextList:
        p.write(CommaText::read(newValue));
        break;
    case PropertyKind::GridColumns: {
        p.columns()->SetTitles(CommaText::read(newValue));
        break;
    }
    default:
        break;
    }
    if (alive)
        PropertyLocalized(object, propName, newValue);
}

void TQFormLocalizer::ApplyCharsetAndBiDiMode(int charSet, int biDiMode)
{
    if (m_plan->LookApplied(charSet, biDiMode))
        return;
    using ComponentModel::ScreenFont;
    for (ScreenFont f : {ScreenFont::Hint, ScreenFont::Menu, ScreenFont::Icon})
        ComponentModel::setScreenFontCharSet(f, charSet);
    QObject* window = Owner();
    if (!window)
        return;
    static const QString font = QStringLiteral("Font");
    static const QString parentFontName = QStringLiteral("ParentFont");
    static const QString biDiModeName = QStringLiteral("BiDiMode");
    static const QString parentBiDiModeName = QStringLiteral("ParentBiDiMode");
    QList<QObject*> objects{window};
    objects.append(ComponentTree::components(window));
    for (QObject* object : objects) {
        if (m_plan->Lookup(object, font)->kind() == PropertyKind::Font) {
            ComponentModel::setFontCharSet(object, charSet);
            const PropertyRef parentFont = m_plan->Lookup(object, parentFontName);
            if (parentFont->kind() == PropertyKind::Enumeration)
                parentFont->write(false);
        }
        const PropertyRef mode = m_plan->Lookup(object, biDiModeName);
        if (mode->kind() == PropertyKind::Enumeration) {
            mode->write(biDiMode);
            const PropertyRef parentMode = m_plan->Lookup(object, parentBiDiModeName);
            if (parentMode->kind() == PropertyKind::Enumeration)
                parentMode->write(false);
        }
    }
    m_plan->NoteLookApplied(charSet, biDiMode);
}

// --- events -------------------------------------------------------------------

void TQFormLocalizer::PropertyLocalizing(QObject* object, const QString& propName, bool& allow,
                                         QString& newValue)
{
    if (OnPropertyLocalizing)
        OnPropertyLocalizing(this, object, propName, newValue, allow);
}

void TQFormLocalizer::PropertyLocalized(QObject* object, const QString& propName,
                                        const QString& value)
{
    if (OnPropertyLocalized)
        OnPropertyLocalized(this, object, propName, value);
}

void TQFormLocalizer::PropertySaving(QObject* object, const QString& propName, bool& allow,
                                     QString& newValue)
{
    if (OnPropertySaving)
        OnPropertySaving(this, object, propName, newValue, allow);
}

void TQFormLocalizer::PropertySaved(QObject* object, const QString& propName, const QString& value)
{
    if (OnPropertySaved)
        OnPropertySaved(this, object, propName, value);
}
