// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <memory>

namespace kelvo::test {

// gtk3-widget-factory, a real GTK application with a real accessibility tree,
// started for a test and ended by its process id; its widgets are found through
// AT-SPI once it shows (tests/capture/widget_factory_targets.py).
class WidgetFactoryApp {
public:
    struct Widget {
        QPoint centre;
        QString atspiRole;
        QString name;
    };

    // Starts it and waits (up to a minute) for one widget of each kind.
    // error() says what went wrong when not ready().
    WidgetFactoryApp();
    ~WidgetFactoryApp();

    bool ready() const { return error_.isEmpty(); }
    const QString &error() const { return error_; }
    // Kinds: button, checkbox, radio, tab, slider, entry, combo.
    const QHash<QString, Widget> &widgets() const { return widgets_; }
    Widget widget(const QString &kind) const { return widgets_.value(kind); }
    QRect window() const { return window_; }
    qint64 processId() const { return process_.processId(); }

private:
    QProcess process_;
    QHash<QString, Widget> widgets_;
    QRect window_;
    QString error_;
};

} // namespace kelvo::test
