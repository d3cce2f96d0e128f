// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace kelvo {

class NeuButton;
class Updater;

// Asked once on the welcome screen, before Kelvo ever contacts the update feed:
// check automatically, or not now. Hidden once answered (Settings can change it).
class UpdateQuestion : public QWidget {
    Q_OBJECT
public:
    explicit UpdateQuestion(Updater &updater, QWidget *parent = nullptr);

    // Only in a build with a feed, allowed to check, and not yet answered.
    static bool isWanted(const Updater &updater);

    NeuButton *allowButton() const { return allow_; }
    NeuButton *declineButton() const { return decline_; }

private:
    void answer(bool allow);

    Updater &updater_;
    NeuButton *allow_;
    NeuButton *decline_;
};

} // namespace kelvo
