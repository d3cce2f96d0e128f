// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for another application's window in capture tests and benchmarks:
// a solid colour, optionally with a bar that moves at 30 frames a second.
//   kelvo_test_window --rect X,Y,W,H --color '#RRGGBB' [--animate] [--managed]
// Without --managed the window bypasses the window manager, so it sits exactly
// at its rectangle. Prints "ready" once it has been painted.
#include <QApplication>
#include <QCommandLineParser>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class Window : public QWidget {
public:
    Window(QColor color, bool animate) : color_(color)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (animate) {
            auto *timer = new QTimer(this);
            timer->setTimerType(Qt::PreciseTimer);
            connect(timer, &QTimer::timeout, this, [this] {
                ++frame_;
                update();
            });
            timer->start(33);
        }
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), color_);
        if (frame_ > 0) {
            const int x = (frame_ * 8) % std::max(1, width());
            p.fillRect(x, 0, 40, height(), Qt::white);
            p.drawText(10, 20, QString::number(frame_));
        }
        if (!announced_) {
            announced_ = true;
            QTimer::singleShot(0, this, [] {
                std::printf("ready\n");
                std::fflush(stdout);
            });
        }
    }

private:
    QColor color_;
    int frame_ = 0;
    bool announced_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"rect", "X,Y,W,H", "rect", "100,100,400,300"});
    parser.addOption({"color", "colour", "color", "#c03020"});
    parser.addOption({"animate", "move a bar at 30 fps"});
    parser.addOption({"managed", "let the window manager frame the window"});
    parser.process(app);
    const QStringList r = parser.value("rect").split(',');
    if (r.size() != 4)
        return 2;
    Window w(QColor(parser.value("color")), parser.isSet("animate"));
    if (!parser.isSet("managed"))
        w.setWindowFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    w.setWindowTitle(QStringLiteral("Test window"));
    w.setGeometry(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
    w.show();
    return app.exec();
}
