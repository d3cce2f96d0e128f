// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

#include <memory>

class QScreen;
class QWidget;

namespace kelvo {

class RecordingSession;
class RecordingHUDView;

// Owns the HUD window: a 340 × 54 capsule above other windows on every workspace
// that never takes focus. The window is made on the first show and reused, never
// closed; its content follows the session by observation.
class HUDController : public QObject {
    Q_OBJECT
public:
    static constexpr int topMargin = 12;

    explicit HUDController(RecordingSession &session, QObject *parent = nullptr);
    ~HUDController() override;

    // Makes the panel if needed, puts it at the top centre of the primary screen and
    // shows it without activating Kelvo. Called on every countdown tick, so a HUD the
    // user dragged away during the last recording comes back. No screen: nothing.
    void show();
    // Hides the panel (kept for the next recording).
    void hide();
    // A shown panel comes to the front and lights up once.
    void flash();

    QWidget *panel() const { return panel_.get(); }
    RecordingHUDView *view() const { return view_; }

    // Centred horizontally in the available area, its top edge topMargin below the top.
    static QPoint topCentre(const QRect &available, QSize panelSize);

    // Where show() looks for the screen; tests replace it.
    std::function<QScreen *()> primaryScreen;

private:
    void makePanel();

    RecordingSession &session_;
    std::unique_ptr<QWidget> panel_;
    RecordingHUDView *view_ = nullptr;
};

} // namespace kelvo
