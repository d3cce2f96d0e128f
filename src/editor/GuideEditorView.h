// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Widgets.h"
#include "editor/ExportActions.h"
#include "editor/GuideEditing.h"
#include "store/GuideStore.h"

#include <QHash>
#include <QPointer>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QMediaPlayer;
class QScrollArea;
class QVBoxLayout;

namespace kelvo {

class Chip;
class FramingSelector;
class NearViewportLoader;
class SaveProblemBanner;
class StepRowView;
class VideoPlayerView;

// One line of the jump list: badge, caption on one line, time.
class JumpRow : public QAbstractButton {
    Q_OBJECT
public:
    JumpRow(int number, const Step &step, QWidget *parent = nullptr);
    void setNumber(int number);
    void setStep(const Step &step);
    const QUuid &stepId() const { return step_.id; }
    NumberBadge *badge() const { return badge_; }
    QString timeText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void updateAccessibleName();

    Step step_;
    NumberBadge *badge_;
    bool hovering_ = false;
};

// The editor of one guide: title, information chips and actions; the step rows;
// the guide's video and a list to jump to any step. Every change goes to the
// store through the editing operations; what it shows is read back from the
// store whenever the guide changes there.
class GuideEditorView : public NeuSurface {
    Q_OBJECT
public:
    struct Services {
        // Clears the library's selection (called before a guide is deleted).
        std::function<void()> clearSelection;
        // Asks to confirm deleting the guide; default: a message box.
        std::function<bool(QWidget *parent)> confirmDeleteGuide;
        // Export, share, reveal; default: the desktop's.
        GuideExporter::Services exporter;
    };

    GuideEditorView(GuideStore &store, GuideBinding binding, QUndoStack *undoStack, Services services = {},
                    QWidget *parent = nullptr);
    ~GuideEditorView() override;

    const QUuid &guideId() const { return guideId_; }
    Guide guide() const { return binding_.get(); }
    QUndoStack *undoStack() const { return undoStack_; }

    // A fresh record for the menus: canExport and the three actions of this editor.
    GuideActions guideActions();

    // Creates the player for the guide's video when there is one. Until then (and
    // again once the editor was hidden) the area shows a still of the movie.
    void loadPlayer();
    QMediaPlayer *player() const { return player_; }
    // Plays from one second before the step (not before the start), seeking exactly.
    void playFromStep(const Step &step);
    static qint64 playStartMilliseconds(double timestamp);
    // The jump list's action: the step scrolled into view and focused, the video
    // played from it.
    void jumpToStep(const QUuid &id);
    // The video and jump-list column for an editor this wide, and its video's height.
    static int sideColumnWidth(int editorWidth);
    static int videoWellHeight(int columnWidth);

    // Asks, then deletes the guide with its folder.
    void confirmAndDeleteGuide();

    // For tests and the menus.
    QLineEdit *titleField() const { return title_; }
    QList<Chip *> chips() const { return {stepsChip_, durationChip_, dateChip_}; }
    FramingSelector *framingSelector() const { return framingSelector_; }
    NeuButton *exportButton() const { return export_; }
    // The arrow beside Export: its menu offers PDF, HTML and Markdown.
    NeuButton *exportFormatsButton() const { return exportFormats_; }
    QMenu *exportFormatsMenu() const { return exportMenu_; }
    NeuIconButton *shareButton() const { return share_; }
    NeuIconButton *revealButton() const { return reveal_; }
    NeuIconButton *deleteButton() const { return delete_; }
    // The rows built so far, in step order: a long guide builds its rows only
    // near the visible part of the column (the first few at once).
    QList<StepRowView *> stepRows() const;
    // The step's row, built now if it was not yet; null for an unknown step.
    StepRowView *ensureStepRow(const QUuid &id);
    // How many rows a guide gets built right away, before anything is on screen.
    static constexpr int eagerRowCount = 4;
    QList<JumpRow *> jumpRows() const;
    QWidget *noStepsCard() const { return noStepsCard_; }
    QLabel *noJumpStepsLabel() const { return noJumpSteps_; }
    QScrollArea *stepsScrollArea() const { return stepsScroll_; }
    VideoPlayerView *playerView() const { return playerView_; }
    QWidget *noVideoPlaceholder() const { return noVideo_; }
    SaveProblemBanner *saveBanner() const { return saveBanner_; }

signals:
    // canExport may have changed: the menus read guideActions() again.
    void actionsChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildHeader(QVBoxLayout *column);
    void addFramingRow(QVBoxLayout *column);
    void buildBody(QVBoxLayout *column);
    QWidget *buildVideoCard();
    QWidget *buildJumpList();
    void sync();
    void syncRows(const Guide &guide);
    void syncJumpRows(const Guide &guide);
    StepRowView *makeRow(const Step &step);
    void showFraming(StepRowView *row, const Step &step);
    void buildRowsNearViewport();
    void matchPlaceholderHeights();
    int estimatedRowHeight() const;
    void moveStepKeepingFocus(const QUuid &id, int offset);
    void deleteStepKeepingFocus(const QUuid &id);
    QString imagePathFor(const Step &step) const;
    void setHasVideo(bool hasVideo);
    void exportAs(ExportFormat format);
    void showExportFormat(ExportFormat format);
    void prepareVideo();
    void requestPoster(qint64 positionMs);
    void startPlayingAt(qint64 positionMs);
    void releasePlayer();

    GuideStore &store_;
    SaveProblemBanner *saveBanner_ = nullptr;
    GuideBinding binding_;
    QUuid guideId_;
    QPointer<QUndoStack> undoStack_;
    Services services_;
    std::unique_ptr<SavePanel> savePanel_;
    std::unique_ptr<FileRevealer> revealer_;
    std::unique_ptr<ShareServices> shareServices_;
    std::unique_ptr<SharePicker> sharePicker_;
    std::unique_ptr<Alerter> alerter_;
    std::unique_ptr<ExportFormatMemory> formatMemory_;
    std::unique_ptr<GuideExporter> exporter_;

    QLineEdit *title_ = nullptr;
    Chip *stepsChip_ = nullptr;
    Chip *durationChip_ = nullptr;
    Chip *dateChip_ = nullptr;
    FramingSelector *framingSelector_ = nullptr;
    std::optional<Framing> guideFraming_;
    NeuButton *export_ = nullptr;
    NeuButton *exportFormats_ = nullptr;
    QMenu *exportMenu_ = nullptr;
    NeuIconButton *share_ = nullptr;
    NeuIconButton *reveal_ = nullptr;
    NeuIconButton *delete_ = nullptr;

    QWidget *noStepsCard_ = nullptr;
    QWidget *noStepsArea_ = nullptr;
    QScrollArea *stepsScroll_ = nullptr;
    QVBoxLayout *rowsLayout_ = nullptr;
    // One place in the step column per step; it holds the row once that is built
    // and keeps an estimated height until then, so the scroll range stays true.
    struct StepPlace {
        QWidget *slot = nullptr;
        StepRowView *row = nullptr;
        Step step;
    };
    QHash<QUuid, StepPlace> places_;
    QList<QUuid> placeOrder_;
    bool dragging_ = false; // a row's drag is under way: no row may go
    NearViewportLoader *imageLoader_ = nullptr;

    QWidget *playerArea_ = nullptr;
    QWidget *sideColumn_ = nullptr;
    QBoxLayout *headerLayout_ = nullptr;
    QBoxLayout *headerActions_ = nullptr;
    QBoxLayout *bodyLayout_ = nullptr;
    QBoxLayout *stepsPadding_ = nullptr;
    QList<QWidget *> localNote_;
    QWidget *videoWell_ = nullptr;
    QWidget *noVideo_ = nullptr;
    VideoPlayerView *playerView_ = nullptr;
    QMediaPlayer *player_ = nullptr;
    bool playerLoaded_ = false;
    bool hasVideo_ = false;
    QString videoPath_;
    qint64 resumeAtMs_ = 0;
    std::optional<qint64> pendingStartMs_;
    int posterRequest_ = 0;

    QLabel *noJumpSteps_ = nullptr;
    QScrollArea *jumpScroll_ = nullptr;
    QVBoxLayout *jumpLayout_ = nullptr;
    QHash<QUuid, JumpRow *> jumpRows_;
    QList<JumpRow *> jumpOrder_;

    std::optional<bool> lastCanExport_;
};

// "Delete this guide and its video?" with Delete and Cancel (the default); true for Delete.
bool askToDeleteGuide(QWidget *parent);

// The creation date in the locale's abbreviated date and short time.
QString abbreviatedDateTime(const QDateTime &dateTime, const QLocale &locale);

} // namespace kelvo
