#pragma once

#include <QMetaObject>

class QLabel;
class TDM;

// A page's count label: it shows the data module's count notice, and a count
// on show is written again in the new language at a language switch. Until
// the first notice the label keeps its designed caption.
class CountLabel
{
public:
    // fitText: the label takes the width of its text.
    explicit CountLabel(QLabel* label, bool fitText = false);
    ~CountLabel();
    CountLabel(const CountLabel&) = delete;
    CountLabel& operator=(const CountLabel&) = delete;

    void bind(TDM& dm);
    void languageChanged();

private:
    void show(const QString& text);

    QLabel* m_label;
    bool m_fitText;
    TDM* m_dm = nullptr;
    bool m_shown = false;
    QMetaObject::Connection m_notice;
};
