#pragma once

#include "core/util/Exception.h"

#include <QFont>
#include <QObject>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QWidget;

class EResizerException : public Exception
{
public:
    using Exception::Exception;
};

// (Sender, Comp, HeightRatio, WidthRatio): after a control has been scaled.
using TPostResizeEvent =
    std::function<void(QObject* sender, QWidget* comp, double heightRatio, double widthRatio)>;

// The font of a control in every whole point size it may be scaled to, made
// once when the control is recorded: a resize then hands the control a font
// that already exists instead of building one. Controls with the same font
// share one.
class ScaledFonts
{
public:
    ScaledFonts(const QFont& font, int smallest, int largest);
    bool matches(const QFont& font, int smallest, int largest) const;
    const QFont& at(int pointSize) const; // within smallest..largest

private:
    QFont m_font;
    int m_smallest;
    std::vector<QFont> m_sizes;
};

// Keeps one control in proportion to its window: records its bounds and
// font size, and scales them from those records by the window's ratios.
class TSingleResizer
{
public:
    // fonts: where fonts made for the sizes are shared; null for a table of its own.
    TSingleResizer(QWidget* control, QWidget* window, bool resizeFonts, int minFontSize,
                   int maxFontSize, std::vector<std::shared_ptr<ScaledFonts>>* fonts = nullptr);
    TSingleResizer(const TSingleResizer&) = delete;
    TSingleResizer& operator=(const TSingleResizer&) = delete;

    void Resize(int windowHeight, int windowWidth, double heightRatio, double widthRatio);

    QWidget* Control() const { return m_control; }
    // The control has gone; it is skipped from now on.
    void ControlRemoved() { m_control = nullptr; }

    // The window's outer size, as the resizer measures it.
    static QSize WindowSize(const QWidget* window);
    // Nearest whole number, an exact half to the even neighbour.
    static int Round(double value);

private:
    // The font at a size in points; 0 gives the recorded font back.
    void ApplyFontSize(int points);
    void SetBounds(int left, int top, int width, int height);
    // Widens (or, word-wrapped, heightens) a label's bounds to hold its text.
    void HoldText(int& width, int& height);
    QSize TextNeeds(int width) const;

    QWidget* m_control;
    bool m_scaleHeight = true;
    bool m_scaleLeft = true;
    bool m_scaleTop = true;
    bool m_scaleWidth;
    bool m_resizeFonts;
    int m_minFontSize;
    int m_maxFontSize;
    bool m_hasFont;
    QFont m_font; // as recorded
    std::shared_ptr<ScaledFonts> m_scaledFonts;
    int m_height;
    int m_windowHeight;
    int m_left;
    int m_top;
    int m_width;
    int m_windowWidth;
    double m_fontSize; // points; 0 without a font
    QWidget* m_window;
    QLabel* m_label; // the control when it is of the label family
    // What a label's text needs at each font size it may be scaled to, from
    // the smallest: laying out a text is the dearest part of a scaling, so a
    // text is measured once per size, and again only when it has changed
    // (or, word-wrapped, when the width it wraps at has).
    struct TextFit
    {
        bool measured = false;
        int width = 0; // the width it was measured at
        QSize needed;
    };
    std::vector<TextFit> m_textFits;
    QString m_fitText;   // the text the fits are for
    int m_fitPoints = 0; // the size the last scaling gave the font from its table; 0 if none
    int m_autoSize;      // the control's AutoSize property, or -1 when it has none
};

// Keeps every control of a window (or panel) in proportion to it: it records
// once the window's size and each control's bounds and font size, and on
// every resize scales each control from those records by the ratios of the
// window's size to the recorded one. Scaling always starts from the records,
// so no rounding error builds up and the recorded size gives back the
// recorded layout. Fonts follow the height ratio, within MinFontSize and
// MaxFontSize.
//
// Controls placed by a layout (the page control that fills the window, the
// pages in it) are left to their layout; so are the window's menus.
class TFormResizer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool ResizeFonts READ ResizeFonts WRITE SetResizeFonts)
    Q_PROPERTY(int MinFontSize READ MinFontSize WRITE SetMinFontSize)
    Q_PROPERTY(int MaxFontSize READ MaxFontSize WRITE SetMaxFontSize)
    Q_PROPERTY(bool EnforceMinSize READ EnforceMinSize WRITE SetEnforceMinSize)
public:
    // The owner is the window or panel whose controls are scaled.
    explicit TFormResizer(QObject* owner);
    ~TFormResizer() override;
    TFormResizer(const TFormResizer&) = delete;
    TFormResizer& operator=(const TFormResizer&) = delete;

    bool ResizeFonts() const { return m_resizeFonts; }
    void SetResizeFonts(bool on) { m_resizeFonts = on; }
    int MinFontSize() const { return m_minFontSize; }
    void SetMinFontSize(int points) { m_minFontSize = points; }
    int MaxFontSize() const { return m_maxFontSize; }
    void SetMaxFontSize(int points) { m_maxFontSize = points; }
    bool EnforceMinSize() const { return m_enforceMinSize; }
    void SetEnforceMinSize(bool on) { m_enforceMinSize = on; }
    TPostResizeEvent OnPostResize;

    virtual void DoPostResize(QWidget* comp, double heightRatio, double widthRatio);
    // Records the window and its controls as they are now; once.
    virtual void InitializeResizing();
    // Scales every recorded control to the window's present size; nothing
    // before the recording.
    virtual void ResizeAll();

    bool Recorded() const { return m_recorded; }
    QSize RecordedSize() const { return QSize(m_width, m_height); }
    const std::vector<std::unique_ptr<TSingleResizer>>& Records() const { return m_records; }

private:
    QWidget* Owner() const;

    bool m_resizeFonts = false;
    int m_minFontSize = 8;
    int m_maxFontSize = 48;
    bool m_enforceMinSize = false;
    int m_height = 0;
    int m_width = 0;
    std::vector<std::unique_ptr<TSingleResizer>> m_records;
    std::vector<std::shared_ptr<ScaledFonts>> m_fonts;
    bool m_recorded = false;
};
