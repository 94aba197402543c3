#pragma once

#include <QMetaObject>

class QLabel;
class TDM;

// A page's count label: it shows the data module's count notice, and a count
// on show is written again in the new language at a language switch. Until
// the first notice the label keeps its designed caption. The label takes the
// size of its text: a right-aligned one grows to the left.
class CountLabel
{
public:
    explicit CountLabel(QLabel* label);
    ~CountLabel();
    CountLabel(const CountLabel&) = delete;
    CountLabel& operator=(const CountLabel&) = delete;

    void bind(TDM& dm);
    void languageChanged();

private:
    void show(const QString& text);

    QLabel* m_label;
    TDM* m_dm = nullptr;
    bool m_shown = false;
    QMetaObject::Connection m_notice;
};
