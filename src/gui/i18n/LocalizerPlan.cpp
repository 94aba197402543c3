#include "gui/i18n/LocalizerPlan.h"

#include "core/component/ComponentTree.h"
#include "core/component/GridColumns.h"
#include "core/i18n/CommaText.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/NameValueList.h"
#include "gui/i18n/FormLocalizer.h"

#include <QSet>

using ComponentModel::PropertyKind;

bool LocalizerPlan::IsBlank(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 32)
            return false;
    }
    return true;
}

// Every property a walk of the window asks for, in walk order (the window,
// then its components; each with the property names in order), with its
// key; made once for the component tree as it stands and the lists as they
// are.
struct LocalizerPlan::Plan
{
    quint64 version = 0;
    quint64 listsRevision = 0;
    QStringList propNames;
    std::vector<Entry> entries;
    // Hash of a key exactly as composed -> entry; only where resolving the
    // key would find that same object and property.
    QMultiHash<size_t, size_t> byKey;
    // Whether no two keys are the same but for letter case, and whether
    // every entry has its property (so no walk adds keys of its own).
    bool distinctKeys = true;
    bool allPlanned = true;
    bool allResolvable = true; // every entry is in byKey
};

class LocalizerPlan::Section
{
public:
    QStringList entries;
    quint64 planVersion = 0;
    quint64 listsRevision = 0;
    std::vector<SectionLine> lines;
};

LocalizerPlan::LocalizerPlan(const TQFormLocalizer& localizer) : m_localizer(localizer) {}

LocalizerPlan::~LocalizerPlan() = default;

QString LocalizerPlan::CapturedText(const ComponentModel::Property& p)
{
    // Texts, lists of texts and the column titles of a grid have one (a
    // collection's items are captured one by one instead).
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

// --- property lookups ---------------------------------------------------------

LocalizerPlan::PropertyRef LocalizerPlan::Lookup(QObject* object, const QString& propName)
{
    // A language change asks every component for the same few properties.
    const quint64 version = ComponentTree::structureVersion();
    if (version != m_propertiesVersion) {
        m_properties.clear();
        m_propertiesVersion = version;
    }
    auto it = m_properties.find(object);
    if (it == m_properties.end()) {
        QObject* window = m_localizer.Owner();
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

// --- the plan -----------------------------------------------------------------

bool LocalizerPlan::stands(quint64 version, quint64 listsRevision) const
{
    return m_plan && m_plan->version == version && m_plan->listsRevision == listsRevision &&
           version == ComponentTree::structureVersion() && listsRevision == m_listsRevision;
}

const LocalizerPlan::Plan* LocalizerPlan::current()
{
    QObject* window = m_localizer.Owner();
    if (!window || !m_localizer.Dependencies().isEmpty())
        return nullptr;
    const quint64 version = ComponentTree::structureVersion();
    if (m_plan && m_plan->version == version && m_plan->listsRevision == m_listsRevision)
        return m_plan.get();
    auto made = std::make_unique<Plan>();
    made->propNames = m_localizer.PropNames();
    made->listsRevision = m_listsRevision;
    QList<QObject*> objects{window};
    objects.append(ComponentTree::components(window));
    QSet<QString> names; // lower-cased component names met so far
    QSet<QString> keys;  // lower-cased keys met so far
    for (QObject* object : std::as_const(objects)) {
        const QString path = m_localizer.ComponentPath(object);
        if (NameValueList::contains(m_localizer.Excluded(), path))
            continue;
        // A key names the first component of its name, and a dot or bracket
        // in a name would be read as part of the key's path.
        bool resolvable = true;
        if (object != window) {
            const QString folded = path.toLower();
            resolvable = !names.contains(folded) && !path.contains(u'.') && !path.contains(u'[');
            names.insert(folded);
        }
        for (const QString& propName : std::as_const(made->propNames)) {
            PropertyRef property = Lookup(object, propName);
            if (property->followsValue()) {
                property.reset();
                made->allPlanned = false;
            }
            const QString key = m_localizer.PropertyKey(object, propName);
            if (!key.isEmpty()) {
                const QString folded = key.toLower();
                made->distinctKeys = made->distinctKeys && !keys.contains(folded);
                keys.insert(folded);
            }
            made->entries.push_back({object, propName, std::move(property), key});
            if (resolvable && !key.isEmpty() && !propName.contains(u'.') &&
                !propName.contains(u'[') && !planned(*made, key))
                made->byKey.insert(qHash(key), made->entries.size() - 1);
            else
                made->allResolvable = false;
        }
    }
    made->version = version;
    m_plan = std::move(made);
    return m_plan.get();
}

const LocalizerPlan::Entry* LocalizerPlan::planned(const Plan& plan, QStringView key)
{
    for (auto [it, end] = plan.byKey.equal_range(qHash(key)); it != end; ++it) {
        if (plan.entries[it.value()].key == key)
            return &plan.entries[it.value()];
    }
    return nullptr;
}

const LocalizerPlan::Entry* LocalizerPlan::Planned(QStringView key)
{
    const Plan* p = current();
    return p ? planned(*p, key) : nullptr;
}

// --- capture and restore ------------------------------------------------------

bool LocalizerPlan::CaptureInto(QStringList& target, const QStringList& propNames, bool asOriginals)
{
    const Plan* p = current();
    // Into an empty list with keys that cannot meet, every line is new.
    if (!p || propNames != p->propNames || !target.isEmpty() || !p->distinctKeys || !p->allPlanned)
        return false;
    const bool remember = asOriginals && p->allResolvable;
    m_captured = {};
    for (const Entry& e : p->entries) {
        const QString value = CapturedText(*e.property);
        if (IsBlank(value))
            continue;
        target.append(TQLanguageFile::EncodedLine(e.key, value));
        if (remember)
            m_captured.lines.push_back({&e, value});
    }
    if (remember) {
        m_captured.planVersion = p->version;
        m_captured.listsRevision = p->listsRevision;
        m_captured.originalsRevision = m_originalsRevision;
    }
    return true;
}

void LocalizerPlan::RestoreCaptured(QStringList& originals,
                                    const std::function<void(const Entry&, const QString&)>& apply)
{
    // The lines as captured need no resolving and no decoding.
    const Captured captured = std::move(m_captured);
    m_captured = {};
    if (captured.originalsRevision != m_originalsRevision ||
        qsizetype(captured.lines.size()) != originals.size())
        return;
    for (const CapturedLine& line : captured.lines) {
        if (captured.originalsRevision != m_originalsRevision ||
            !stands(captured.planVersion, captured.listsRevision))
            return;
        const QString stored = originals.front();
        apply(*line.entry, line.value);
        const qsizetype at =
            !originals.isEmpty() && originals.front() == stored ? 0 : originals.indexOf(stored);
        if (at >= 0)
            originals.removeAt(at);
    }
}

// --- the active language's section --------------------------------------------

std::shared_ptr<const LocalizerPlan::Section> LocalizerPlan::Resolve(const QStringList& entries)
{
    const Plan* p = current();
    if (!p)
        return nullptr;
    // The same list (its storage is held here, so it cannot be another one
    // in the same place) against the same plan is resolved already.
    if (m_section && m_section->entries.constData() == entries.constData() &&
        m_section->entries.size() == entries.size() && m_section->planVersion == p->version &&
        m_section->listsRevision == p->listsRevision)
        return m_section;
    auto made = std::make_shared<Section>();
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

bool LocalizerPlan::Stands(const Section& section) const
{
    return stands(section.planVersion, section.listsRevision);
}

const std::vector<LocalizerPlan::SectionLine>& LocalizerPlan::Lines(const Section& section)
{
    return section.lines;
}

// --- character set and text direction -----------------------------------------

bool LocalizerPlan::LookApplied(int charSet, int biDiMode) const
{
    // Setting the same values again on an unchanged tree changes nothing:
    // no component came or went and no direction or kept value was touched.
    return m_applied && m_applied->charSet == charSet && m_applied->biDiMode == biDiMode &&
           m_applied->structure == ComponentTree::structureVersion() &&
           m_applied->state == ComponentTree::stateVersion();
}

void LocalizerPlan::NoteLookApplied(int charSet, int biDiMode)
{
    m_applied = AppliedLook{charSet, biDiMode, ComponentTree::structureVersion(),
                            ComponentTree::stateVersion()};
}
