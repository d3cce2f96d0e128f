// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Widgets.h"
#include "model/Scheduler.h"

#include <QObject>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace kelvo {

// The badge beside a grant: a check mark on blue when held, an exclamation mark on red when not.
class PermissionBadge : public QWidget {
    Q_OBJECT
public:
    explicit PermissionBadge(bool granted, QWidget *parent = nullptr);
    void setGranted(bool granted);
    bool isGranted() const { return granted_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool granted_;
};

// One grant: badge, title and detail, and "Enable" while it is missing.
class PermissionRow : public QWidget {
    Q_OBJECT
public:
    PermissionRow(const QString &title, const QString &detail, bool granted, QWidget *parent = nullptr);

    void setGranted(bool granted);
    bool isGranted() const { return badge_->isGranted(); }
    NeuButton *enableButton() const { return enable_; }
    QString title() const;
    QString detail() const;

signals:
    void grant();

private:
    PermissionBadge *badge_;
    QLabel *title_;
    QLabel *detail_;
    NeuButton *enable_;
};

// The set-up card that explains the two grants recording needs and offers to
// enable each. It shows the state it is given; whoever owns the permissions feeds
// it and acts on its requests.
class CardHeading;

class PermissionsCard : public NeuRaised {
    Q_OBJECT
public:
    explicit PermissionsCard(QWidget *parent = nullptr);

    PermissionRow *screenRecordingRow() const { return screenRecording_; }
    PermissionRow *accessibilityRow() const { return accessibility_; }
    bool isReopenNoteShown() const;
    bool isWaylandNoteShown() const;
    // "Two permissions to set up", or "One permission…" while one is missing.
    QString headingText() const;

    // True on a Wayland session that Kelvo cannot reach through X11.
    static bool isWaylandWithoutX11();

public slots:
    void setScreenRecording(bool granted);
    void setAccessibility(bool granted);
    void setWaylandWithoutX11(bool waylandOnly);

signals:
    void enableScreenRecordingRequested();
    void enableAccessibilityRequested();

private:
    void updateNotes();

    CardHeading *heading_ = nullptr;
    PermissionRow *screenRecording_;
    PermissionRow *accessibility_;
    QLabel *reopenNote_;
    QLabel *waylandNote_;
    bool waylandOnly_ = false;
};

// Reads the grants again whenever the window that shows them appears and
// whenever Kelvo becomes the active application. Changes of accessibility
// while it shows come from the desktop itself (Permissions listens); nothing
// is asked on a timer.
class PermissionsRefresher : public QObject {
    Q_OBJECT
public:
    explicit PermissionsRefresher(std::function<void()> refresh, QObject *parent = nullptr);

    // Follows the window's visibility (show and hide events) from now on.
    void watch(QWidget *window);
    void setShown(bool shown);
    bool isShown() const { return shown_; }
    void applicationBecameActive();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> refresh_;
    bool shown_ = false;
};

} // namespace kelvo
