#pragma once

#include <QObject>

#include <memory>

class QWidget;
class SingleInstance;

// The single-instance guard of the main window. Made while the main window
// is built, after the application title is set: when another copy of the
// program runs for this user, it asks that copy to come to the front and
// asks this one to end, before anything is opened or written. The first
// copy's guard brings its window forward whenever a later copy asks.
class TJustOne : public QObject
{
    Q_OBJECT
public:
    // owner: the main window.
    explicit TJustOne(QWidget* owner);
    ~TJustOne() override;
    TJustOne(const TJustOne&) = delete;
    TJustOne& operator=(const TJustOne&) = delete;

    // Another copy runs: this one is to end without starting up.
    bool EndRequested() const;

    // Restores the main window when it is minimised, then brings the window
    // the user last worked in (an open modal window, or the main window) to
    // the front.
    void ComeForward();

private:
    std::shared_ptr<SingleInstance> m_instance;
};
