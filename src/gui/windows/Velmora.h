#pragma once

#include <QRgb>
#include <QWidget>

#include <memory>

namespace Ui {
class Velmora;
}
class QAction;
class QMenu;
class TFormShaper;

// The splash window: the program's banner without border or caption bar,
// cut to the banner's outline, shown from the first moment of start-up and
// released as soon as it loses activation (the main window coming up, a
// message of the start-up, a click elsewhere, "Luk").
class TVelmora : public QWidget
{
    Q_OBJECT
public:
    // The stored outline (Velmora.shape) is made from the banner
    // (Velmora.jpg) drawn on this background, with this tolerance:
    //     kalvindo-mkshape Velmora.jpg ffffff 48 Velmora.shape
    static constexpr QRgb BannerBackground = 0xffffffff;
    static constexpr int BannerTolerance = 48;

    explicit TVelmora(QWidget* parent = nullptr);
    ~TVelmora() override;
    TVelmora(const TVelmora&) = delete;
    TVelmora& operator=(const TVelmora&) = delete;

    Ui::Velmora& Form() { return *m_ui; }
    TFormShaper* FormShaper1() const { return m_shaper; }
    QMenu* PopupMenu1() const { return m_popup; }
    QAction* Luk1() const { return m_luk; }

    // Shows the window centred on the screen and paints it before returning.
    void ShowAtOnce();

    void FormCreate();
    void FormDeactivate();
    void Luk1Click();

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::Velmora> m_ui;
    TFormShaper* m_shaper = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_luk = nullptr;
    bool m_released = false;
};
