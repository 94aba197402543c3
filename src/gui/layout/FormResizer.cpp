#include "gui/layout/FormResizer.h"

#include "core/component/ComponentTree.h"
#include "gui/controls/ShadowLabel.h"

#include <QLabel>
#include <QLayout>
#include <QMetaProperty>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Controls that a layout places (a page control filling its window, the
// pages inside it, a main window's menu bar) belong to their layout: moving
// them by hand would fight it.
bool placedByLayout(const QWidget* control)
{
    const QWidget* parent = control->parentWidget();
    const QLayout* layout = parent ? parent->layout() : nullptr;
    return layout && (layout->indexOf(control) >= 0 || layout->menuBar() == control);
}

// Plain labels, data labels and link labels are labels; the shadow label is
// drawn like any other control. A label that sizes itself to its text (one
// with an AutoSize property, as the link label) keeps its width and fits
// itself to its text after every scaling. One that does not is a box for its
// texts, which change with the language and the record: its width follows
// the window, but it never gets narrower than its text at the new font.
QLabel* labelFamily(QWidget* control)
{
    auto* label = qobject_cast<QLabel*>(control);
    return label && !qobject_cast<TShadowLabel*>(control) ? label : nullptr;
}

// Fonts alike in all but their size; compared attribute by attribute, as a
// copy of one at the other's size would have to be made.
bool sameButSize(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && a.weight() == b.weight() && a.italic() == b.italic() &&
           a.underline() == b.underline() && a.strikeOut() == b.strikeOut() &&
           a.stretch() == b.stretch() && a.capitalization() == b.capitalization();
}

double pointSize(const QFont& font, const QWidget* control)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() > 0 ? font.pixelSize() * 72.0 / control->logicalDpiY() : 0;
}

} // namespace

ScaledFonts::ScaledFonts(const QFont& font, int smallest, int largest)
    : m_font(font), m_smallest(smallest)
{
    m_sizes.reserve(std::max(0, largest - smallest + 1));
    for (int size = smallest; size <= largest; ++size) {
        QFont sized = font;
        sized.setPointSize(size);
        m_sizes.push_back(sized);
    }
}

bool ScaledFonts::matches(const QFont& font, int smallest, int largest) const
{
    return smallest == m_smallest && largest - smallest + 1 == int(m_sizes.size()) &&
           font == m_font && font.resolveMask() == m_font.resolveMask();
}

const QFont& ScaledFonts::at(int pointSize) const
{
    return m_sizes[std::size_t(pointSize - m_smallest)];
}

TSingleResizer::TSingleResizer(QWidget* control, QWidget* window, bool resizeFonts, int minFontSize,
                               int maxFontSize, std::vector<std::shared_ptr<ScaledFonts>>* fonts)
    : m_control(control), m_resizeFonts(resizeFonts), m_window(window)
{
    if (!control)
        throw EResizerException(QStringLiteral("TSingleResizer created without a component link"));
    if (!window)
        throw EResizerException(
            QStringLiteral("TSingleResizer created without a parent form link"));
    m_label = labelFamily(control);
    m_autoSize = control->metaObject()->indexOfProperty("AutoSize");
    // A label that sizes itself to its text takes no width from the window.
    m_scaleWidth = !m_label || m_autoSize < 0;
    const QRect bounds = control->geometry();
    m_height = bounds.height();
    m_left = bounds.x();
    m_top = bounds.y();
    m_width = bounds.width();
    const QSize windowSize = WindowSize(window);
    m_windowHeight = windowSize.height();
    m_windowWidth = windowSize.width();
    m_hasFont = true;
    m_font = control->font();
    m_fontSize = pointSize(m_font, control);
    // A font designed outside the bounds is not pulled into them the moment
    // the window changes size: it keeps its own size as its bound, so it
    // never grows while the window shrinks nor shrinks while it grows.
    m_minFontSize = std::min(minFontSize, int(std::floor(m_fontSize)));
    m_maxFontSize = std::max(maxFontSize, int(std::ceil(m_fontSize)));
    if (!m_resizeFonts || m_fontSize <= 0)
        return;
    if (fonts) {
        for (const auto& shared : *fonts)
            if (shared->matches(m_font, m_minFontSize, m_maxFontSize))
                m_scaledFonts = shared;
    }
    if (!m_scaledFonts) {
        m_scaledFonts = std::make_shared<ScaledFonts>(m_font, m_minFontSize, m_maxFontSize);
        if (fonts)
            fonts->push_back(m_scaledFonts);
    }
    if (m_label && m_autoSize < 0)
        m_textFits.resize(std::size_t(m_maxFontSize - m_minFontSize + 1));
}

QSize TSingleResizer::WindowSize(const QWidget* window)
{
    // The outer size, frame included where the window system has told it
    // (a window not yet shown has none): the size the main window keeps
    // from one run to the next, so that the size it comes back at is the
    // recorded one and gives the designed layout.
    return window->frameGeometry().size();
}

int TSingleResizer::Round(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0))
        return int(floor) + 1;
    return int(floor);
}

void TSingleResizer::Resize(int windowHeight, int windowWidth, double heightRatio,
                            double widthRatio)
{
    if (!m_control || placedByLayout(m_control))
        return;
    const QRect current = m_control->geometry();
    int left = current.x(), top = current.y(), width = current.width(), height = current.height();
    const bool recordedSize = windowHeight == m_windowHeight && windowWidth == m_windowWidth;
    const double h = recordedSize ? 1.0 : heightRatio, w = recordedSize ? 1.0 : widthRatio;
    if (m_scaleHeight)
        height = recordedSize ? m_height : Round(m_height * h);
    if (m_scaleWidth)
        width = recordedSize ? m_width : Round(m_width * w);
    if (m_scaleLeft)
        left = recordedSize ? m_left : Round(m_left * w);
    if (m_scaleTop)
        top = recordedSize ? m_top : Round(m_top * h);
    if (m_scaledFonts)
        ApplyFontSize(
            recordedSize ? 0 : std::clamp(Round(m_fontSize * h), m_minFontSize, m_maxFontSize));
    if (m_label && !recordedSize && m_autoSize < 0)
        HoldText(width, height);
    // A right-aligned label keeps its right edge in proportion, so that the
    // text stays beside what it names whatever width the label takes.
    if (m_label && (m_label->alignment() & Qt::AlignRight))
        left = (recordedSize ? m_left + m_width : Round((m_left + m_width) * w)) - width;
    if (m_autoSize < 0) {
        SetBounds(left, top, width, height);
        return;
    }
    // A control that can size itself: bounds set with automatic sizing off,
    // then it fits itself to its text at the new font, and its own AutoSize
    // setting is given back. A label always fits itself after scaling; any
    // other control (the shadow label) only when it sizes itself anyway, so
    // that a width from the window never cuts off its text.
    const QMetaProperty autoSize = m_control->metaObject()->property(m_autoSize);
    const bool wasAutoSize = autoSize.read(m_control).toBool();
    autoSize.write(m_control, false);
    SetBounds(left, top, width, height);
    if (m_label || wasAutoSize) {
        autoSize.write(m_control, true);
        autoSize.write(m_control, wasAutoSize);
    }
}

void TSingleResizer::ApplyFontSize(int points)
{
    // Only the size is the resizer's: a control that has taken another font
    // since (a link label underlined while the mouse is on it) keeps it at
    // the new size. One that differs from the recorded font in its size
    // alone (it follows its container's) takes the prepared font.
    const QFont current = m_control->font();
    if (sameButSize(current, m_font)) {
        m_control->setFont(points ? m_scaledFonts->at(points) : m_font);
        m_fitPoints = points;
    } else {
        QFont font = current;
        font.setPointSizeF(points ? points : m_fontSize);
        m_control->setFont(font);
        m_fitPoints = 0;
    }
}

void TSingleResizer::SetBounds(int left, int top, int width, int height)
{
    m_control->setGeometry(left, top, width, height);
}

void TSingleResizer::HoldText(int& width, int& height)
{
    // Never narrower than its text at the new font (the font follows the
    // height, the box the width); a label that shows nothing has no need.
    if (m_label->text().isEmpty() && m_label->pixmap().isNull())
        return;
    QSize needed;
    if (m_fitPoints && !m_textFits.empty()) {
        if (m_label->text() != m_fitText) {
            m_fitText = m_label->text();
            std::fill(m_textFits.begin(), m_textFits.end(), TextFit{});
        }
        TextFit& fit = m_textFits[std::size_t(m_fitPoints - m_minFontSize)];
        if (!fit.measured || (m_label->wordWrap() && fit.width != width))
            fit = {true, width, TextNeeds(width)};
        needed = fit.needed;
    } else {
        needed = TextNeeds(width);
    }
    width = std::max(width, needed.width());
    height = std::max(height, needed.height());
}

QSize TSingleResizer::TextNeeds(int width) const
{
    // Word-wrapped, the text takes the width it is given and needs height.
    if (m_label->wordWrap())
        return QSize(0, m_label->heightForWidth(width));
    return m_label->sizeHint();
}

TFormResizer::TFormResizer(QObject* owner) : QObject(owner)
{
    if (!owner)
        throw EResizerException(QStringLiteral("TFormResizer created without an owner"));
    if (!owner->isWidgetType())
        throw EResizerException(QStringLiteral("TFormResizer owner must be a panel or form"));
}

TFormResizer::~TFormResizer() = default;

QWidget* TFormResizer::Owner() const
{
    return static_cast<QWidget*>(parent());
}

void TFormResizer::DoPostResize(QWidget* comp, double heightRatio, double widthRatio)
{
    if (OnPostResize)
        OnPostResize(this, comp, heightRatio, widthRatio);
}

void TFormResizer::InitializeResizing()
{
    if (m_recorded)
        return;
    m_recorded = true;
    QWidget* owner = Owner();
    const QSize size = TSingleResizer::WindowSize(owner);
    m_height = size.height();
    m_width = size.width();
    for (QObject* component : ComponentTree::components(owner)) {
        auto* control = qobject_cast<QWidget*>(component);
        // Menus, dialogs and other windows placed on the window are no controls.
        if (!control || control->isWindow())
            continue;
        m_records.push_back(std::make_unique<TSingleResizer>(
            control, owner, m_resizeFonts, m_minFontSize, m_maxFontSize, &m_fonts));
        TSingleResizer* record = m_records.back().get();
        connect(control, &QObject::destroyed, this, [record] { record->ControlRemoved(); });
    }
}

void TFormResizer::ResizeAll()
{
    // Before the recording there is nothing to scale from.
    if (!m_recorded || m_height <= 0 || m_width <= 0)
        return;
    QWidget* owner = Owner();
    if (m_enforceMinSize) {
        const QSize now = TSingleResizer::WindowSize(owner);
        const QSize frame = now - owner->size();
        if (now.height() < m_height || now.width() < m_width)
            owner->resize(QSize(std::max(now.width(), m_width), std::max(now.height(), m_height)) -
                          frame);
    }
    const QSize size = TSingleResizer::WindowSize(owner);
    const double heightRatio = double(size.height()) / m_height;
    const double widthRatio = double(size.width()) / m_width;
    for (const auto& record : m_records) {
        QWidget* control = record->Control();
        record->Resize(size.height(), size.width(), heightRatio, widthRatio);
        DoPostResize(control, heightRatio, widthRatio);
    }
}
