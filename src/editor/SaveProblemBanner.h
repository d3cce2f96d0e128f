// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Error.h"

#include <QFrame>
#include <QUuid>

class QLabel;

namespace kelvo {

class GuideStore;
class NeuButton;

// A strip above the editor that says when the guide could not be written to
// disk, with Retry. Nothing is lost meanwhile: the guide stays in memory and the
// next save or Retry writes it; the strip goes once a save succeeds.
class SaveProblemBanner : public QFrame {
    Q_OBJECT
public:
    SaveProblemBanner(GuideStore &store, const QUuid &guideId, QWidget *parent = nullptr);

    QString text() const;
    NeuButton *retryButton() const { return retry_; }

private:
    void showProblem(const Error &error);

    GuideStore &store_;
    QUuid guideId_;
    QLabel *label_;
    NeuButton *retry_;
};

} // namespace kelvo
