#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutWnd;
}
class TAboutBox;

// The about window: the box's picture, name, version, copyright, web
// address and notice. Its own texts are the same in every language. It is
// made for one showing and grows with a picture larger than its design.
class TAboutWnd : public QDialog
{
    Q_OBJECT
public:
    static constexpr int DesignWidth = 297;
    static constexpr int DesignHeight = 321;

    explicit TAboutWnd(TAboutBox* box);
    ~TAboutWnd() override;
    TAboutWnd(const TAboutWnd&) = delete;
    TAboutWnd& operator=(const TAboutWnd&) = delete;

    Ui::AboutWnd& Form() { return *m_ui; }

    void FormCreate();
    // The version line; left out when the text is empty.
    void ShowVersion(const QString& text);
    void btnSysInfoClick();
    void lblUrlClick();

    // The system-information programs of the common desktops, tried in turn.
    static const QStringList SystemInfoPrograms;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowBox(const TAboutBox& box);
    // Moves and widens the controls by the picture's growth, anchored as
    // the design has them.
    void Grow(int dx, int dy);
    void FitTexts();

    std::unique_ptr<Ui::AboutWnd> m_ui;
};
