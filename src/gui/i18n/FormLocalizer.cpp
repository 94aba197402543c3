#include "gui/i18n/FormLocalizer.h"

#include "core/component/GridColumns.h"
#include "core/i18n/CommaText.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSettings.h"
#include "core/i18n/LanguageSource.h"
#include "core/i18n/LocalError.h"
#include "core/i18n/NameValueList.h"
#include "gui/controls/ComponentModel.h"

#include <QPointer>
#include <QSet>

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

bool isBlank(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 32)
            return false;
    }
    return true;
}

// The text a property gives to a capture: texts, lists of texts and the
// column titles of a grid have one (a collection's items are captured one
// by one instead).
QString capturedText(const ComponentModel::Property& p)
{
    switch (p.kind()) {
    case PropertyKind::Text:
        return p.text();
    case PropertyKind::TextList:
        return CommaText::write(p.lines());
    case PropertyKind::GridColumns: {
        QStringList titles;
        for (int i = 0; i < p.count(); ++i)
            titles.append(p.columns()->Items(i)->Title());
        return CommaText::write(titles);
    }
    default:
        return QString();
    }
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

TQFormLocalizer::TQFormLocalizer(QObject* owner) : TQCustomLocalizer(checkedOwner(owner))
{
    ComponentTree::markForm(owner);
}

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
    ++m_listsRevision;
}

void TQFormLocalizer::SetOriginals(const QStringList& originals)
{
    if (&originals != &m_originals) {
        m_originals = originals;
        ++m_originalsRevision;
    }
}

void TQFormLocalizer::SetDependencies(const QStringList& dependencies)
{
    if (&dependencies == &m_dependencies)
        return;
    m_dependencies = dependencies;
    ++m_listsRevision;
    if (!ComponentTree::isLoading(this))
        Localize();
}

void TQFormLocalizer::SetExcluded(const QStringList& excluded)
{
    if (&excluded == &m_excluded)
        return;
    m_excluded = excluded;
    ++m_listsRevision;
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
    std::shared_ptr<const ResolvedSection> resolved = resolvedSection(entries);
    const std::vector<SectionLine>* lines = resolved ? &resolved->lines : nullptr;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // A handler of the last entry may have changed the window: the
        // entries are then resolved one by one.
        if (lines && !planStands(resolved->planVersion, resolved->listsRevision))
            lines = nullptr;
        const qsizetype eq = entries[i].indexOf(u'=');
        const QString key = lines ? (*lines)[i].key : entries[i].left(eq);
        const QString value = lines ? (*lines)[i].value : entries[i].mid(eq + 1);
        if (contains(m_excluded, key))
            continue;
        const PlanEntry* e = lines ? (*lines)[i].entry : planned(key);
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
        ++m_originalsRevision;
    const Plan* p = walk.target && !(m_saveOptions & soSaveEmpty) ? plan() : nullptr;
    // Into an empty list with keys that cannot meet, every line is new; the
    // lines are then remembered with the properties they came from.
    if (p && walk.propNames == p->propNames && walk.target->isEmpty() && p->distinctKeys &&
        p->allPlanned) {
        const bool remember = walk.target == &m_originals && p->allResolvable;
        m_captured = {};
        for (const PlanEntry& e : p->entries) {
            const QString value = capturedText(*e.property);
            if (isBlank(value))
                continue;
            walk.target->append(TQLanguageFile::EncodedLine(e.key, value));
            if (remember)
                m_captured.lines.push_back({&e, value});
        }
        if (remember) {
            m_captured.planVersion = p->version;
            m_captured.listsRevision = p->listsRevision;
            m_captured.originalsRevision = m_originalsRevision;
        }
        return;
    }

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
        const PropertyRef p = lookup(current, parts[i]);
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
    const PropertyRef ref = lookup(object, propName);
    const ComponentModel::Property& p = *ref;
    if (!p.isValid() || propName.trimmed().isEmpty() ||
        (object != Owner() && ComponentPath(object).isEmpty()))
        return QString();
    if (p.kind() != PropertyKind::Collection)
        return capturedText(p);
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
        if (isBlank(value) && !(m_saveOptions & soSaveEmpty))
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
    if (&propNames == &m_propNames)
        restoreCaptured();
    for (qsizetype i = 0; i < m_originals.size();) {
        const QString line = m_originals[i];
        const qsizetype eq = line.indexOf(u'=');
        const QStringView key = QStringView(line).left(std::max<qsizetype>(eq, 0));
        const PlanEntry* e = eq >= 0 ? planned(key) : nullptr;
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
            ++m_originalsRevision;
        }
        i = std::min(i, m_originals.size());
    }
}

void TQFormLocalizer::ApplyValue(QObject* object, const QString& propName, const QString& value,
                                 const QStringList& propNames)
{
    if (!object || !contains(propNames, propName))
        return;
    const PropertyRef ref = lookup(object, propName);
    applyProperty(object, propName, ref, value);
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
        const QStringList titles = CommaText::read(newValue);
        TDBGridColumns* columns = p.columns();
        for (int i = 0; i < columns->Count() && i < titles.size(); ++i)
            columns->Items(i)->SetTitle(titles[i]);
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
    // Setting the same values again on an unchanged tree changes nothing:
    // no component came or went and no direction or kept value was touched.
    if (m_applied && m_applied->charSet == charSet && m_applied->biDiMode == biDiMode &&
        m_applied->structure == ComponentTree::structureVersion() &&
        m_applied->state == ComponentTree::stateVersion())
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
        if (lookup(object, font)->kind() == PropertyKind::Font) {
            ComponentModel::setFontCharSet(object, charSet);
            const PropertyRef parentFont = lookup(object, parentFontName);
            if (parentFont->kind() == PropertyKind::Enumeration)
                parentFont->write(false);
        }
        const PropertyRef mode = lookup(object, biDiModeName);
        if (mode->kind() == PropertyKind::Enumeration) {
            mode->write(biDiMode);
            const PropertyRef parentMode = lookup(object, parentBiDiModeName);
            if (parentMode->kind() == PropertyKind::Enumeration)
                parentMode->write(false);
        }
    }
    m_applied = AppliedLook{charSet, biDiMode, ComponentTree::structureVersion(),
                            ComponentTree::stateVersion()};
}

TQFormLocalizer::PropertyRef TQFormLocalizer::lookup(QObject* object, const QString& propName)
{
    const quint64 version = ComponentTree::structureVersion();
    if (version != m_propertiesVersion) {
        m_properties.clear();
        m_propertiesVersion = version;
    }
    auto it = m_properties.find(object);
    if (it == m_properties.end()) {
        QObject* window = Owner();
        if (!object || (object != window && !ComponentTree::isComponentOf(object, window)))
            return std::make_shared<const ComponentModel::Property>(
                ComponentModel::property(object, propName));
        it = m_properties.insert(object, {});
    }
    auto& known = it.value();
    for (const auto& [name, property] : known) {
        if (name == propName)
            return property;
    }
    auto property = std::make_shared<const ComponentModel::Property>(
        ComponentModel::property(object, propName));
    // A property whose kind follows its value may be another next time; the
    // others are what they are for as long as the tree is.
    if (!property->followsValue())
        known.append({propName, property});
    return property;
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

// --- the plan -----------------------------------------------------------------

bool TQFormLocalizer::planStands(quint64 version, quint64 listsRevision) const
{
    return m_plan && m_plan->version == version && m_plan->listsRevision == listsRevision &&
           version == ComponentTree::structureVersion() && listsRevision == m_listsRevision;
}

void TQFormLocalizer::restoreCaptured()
{
    // The lines as captured, each applied to the property it was read from;
    // given up as soon as the lines or the window are no longer as they were
    // (a handler may change either), leaving the rest to the general way.
    const Captured captured = std::move(m_captured);
    m_captured = {};
    if (captured.originalsRevision != m_originalsRevision ||
        qsizetype(captured.lines.size()) != m_originals.size())
        return;
    for (const CapturedLine& line : captured.lines) {
        if (captured.originalsRevision != m_originalsRevision ||
            !planStands(captured.planVersion, captured.listsRevision))
            return;
        const QString stored = m_originals.front();
        applyProperty(line.entry->object, line.entry->propName, line.entry->property, line.value);
        const qsizetype at = !m_originals.isEmpty() && m_originals.front() == stored
                                 ? 0
                                 : m_originals.indexOf(stored);
        if (at >= 0)
            m_originals.removeAt(at);
    }
}

std::shared_ptr<const TQFormLocalizer::ResolvedSection>
TQFormLocalizer::resolvedSection(const QStringList& entries)
{
    const Plan* p = plan();
    if (!p)
        return nullptr;
    // The same list (its storage is held here, so it cannot be another one
    // in the same place) against the same plan is resolved already.
    if (m_section && m_section->entries.constData() == entries.constData() &&
        m_section->entries.size() == entries.size() && m_section->planVersion == p->version &&
        m_section->listsRevision == p->listsRevision)
        return m_section;
    auto made = std::make_shared<ResolvedSection>();
    made->lines.reserve(entries.size());
    for (const QString& entry : entries) {
        const qsizetype eq = entry.indexOf(u'=');
        const QStringView key = QStringView(entry).left(std::max<qsizetype>(eq, 0));
        made->lines.push_back({eq >= 0 ? planned(*p, key) : nullptr, key.toString(),
                               eq >= 0 ? entry.mid(eq + 1) : QString()});
    }
    made->entries = entries;
    made->planVersion = p->version;
    made->listsRevision = p->listsRevision;
    m_section = made;
    return m_section;
}

const TQFormLocalizer::Plan* TQFormLocalizer::plan()
{
    QObject* window = Owner();
    if (!window || !m_dependencies.isEmpty())
        return nullptr;
    const quint64 version = ComponentTree::structureVersion();
    if (m_plan && m_plan->version == version && m_plan->listsRevision == m_listsRevision)
        return &*m_plan;
    Plan made;
    made.propNames = m_propNames;
    made.listsRevision = m_listsRevision;
    QList<QObject*> objects{window};
    objects.append(ComponentTree::components(window));
    QSet<QString> names; // lower-cased component names met so far
    QSet<QString> keys;  // lower-cased keys met so far
    for (QObject* object : std::as_const(objects)) {
        const QString path = ComponentPath(object);
        if (contains(m_excluded, path))
            continue;
        // A key names the first component of its name, and a dot or bracket
        // in a name would be read as part of the key's path.
        bool resolvable = true;
        if (object != window) {
            const QString folded = path.toLower();
            resolvable = !names.contains(folded) && !path.contains(u'.') && !path.contains(u'[');
            names.insert(folded);
        }
        for (const QString& propName : std::as_const(m_propNames)) {
            PropertyRef property = lookup(object, propName);
            if (property->followsValue()) {
                property.reset();
                made.allPlanned = false;
            }
            const QString key = PropertyKey(object, propName);
            if (!key.isEmpty()) {
                const QString folded = key.toLower();
                made.distinctKeys = made.distinctKeys && !keys.contains(folded);
                keys.insert(folded);
            }
            made.entries.push_back({object, propName, std::move(property), key});
            if (resolvable && !key.isEmpty() && !propName.contains(u'.') &&
                !propName.contains(u'[') && !planned(made, key))
                made.byKey.insert(qHash(key), made.entries.size() - 1);
            else
                made.allResolvable = false;
        }
    }
    made.version = version;
    m_plan = std::move(made);
    return &*m_plan;
}

const TQFormLocalizer::PlanEntry* TQFormLocalizer::planned(const Plan& plan, QStringView key)
{
    for (auto [it, end] = plan.byKey.equal_range(qHash(key)); it != end; ++it) {
        if (plan.entries[it.value()].key == key)
            return &plan.entries[it.value()];
    }
    return nullptr;
}

const TQFormLocalizer::PlanEntry* TQFormLocalizer::planned(QStringView key)
{
    const Plan* p = plan();
    return p ? planned(*p, key) : nullptr;
}
