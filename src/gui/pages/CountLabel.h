#pragma once

#include <QHash>
#include <QMetaObject>
#include <QSize>
#include <QString>

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
    QSize sizeFor(const QString& text);

    QLabel* m_label;
    TDM* m_dm = nullptr;
    bool m_shown = false;
    QMetaObject::Connection m_notice;
    // The label's size for each text shown, by font and text: a filter and
    // its lifting show the same two counts over and over.
    QHash<QString, QSize> m_sizes;
};
