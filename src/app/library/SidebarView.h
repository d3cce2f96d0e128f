// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Widgets.h"
#include "editor/StepImagePipeline.h"
#include "model/Guide.h"

#include <QAbstractButton>
#include <QHash>
#include <QUuid>

#include <functional>
#include <optional>

class QLabel;
class QLayout;
class QMenu;
class QScrollArea;
class QVBoxLayout;

namespace kelvo {

class AppModel;
class GuideStore;
class NearViewportLoader;
class StepImageView;

// "12 steps · 2:05".
QString guideRowSubtitle(const Guide &guide);

// One guide in the sidebar: thumbnail, title and subtitle on a raised card, or
// pressed in when it is the selected one. Its context menu offers "Delete".
class GuideRow : public QAbstractButton, public ShadowCaster {
    Q_OBJECT
public:
    // What the row shows of a guide; rows are refreshed only when it changes.
    struct Content {
        QString title;
        QString subtitle;
        QString thumbnailPath; // empty when the guide has no steps
        StepImageRecipe thumbnailRecipe; // framed and redacted as everywhere else
        bool hasSteps = false;
        friend bool operator==(const Content &, const Content &) = default;
    };
    static Content contentOf(const GuideStore &store, const Guide &guide);

    GuideRow(const QUuid &guideId, const Content &content, QWidget *parent = nullptr);

    const QUuid &guideId() const { return guideId_; }
    const Content &content() const { return content_; }
    void setContent(const Content &content);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    StepImageView *thumbnail() const { return thumbnail_; }
    // The row's context menu ("Delete"); made on first use.
    QMenu *contextMenu();

    QSize sizeHint() const override;
    void paintCastShadow(QPainter &painter) const override;
    int shadowReach() const override { return 16; }

signals:
    void deleteRequested(const QUuid &guideId);
    // Up (-1) or Down (+1) on the focused row: select and focus that neighbour.
    void neighbourRequested(int offset);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Delete asks to delete the guide, as the menu does; Up and Down go to the
    // neighbouring guide.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateAccessibility();

    QUuid guideId_;
    Content content_;
    bool selected_ = false;
    StepImageView *thumbnail_;
    QMenu *menu_ = nullptr;
};

// The fixed-width column at the left of the library: brand, record button, the
// guides newest first, and the note that they stay on this computer.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 296;

    explicit SidebarView(AppModel &model, QWidget *parent = nullptr);

    NeuButton *recordButton() const { return record_; }
    QLabel *emptyLabel() const { return empty_; }
    QScrollArea *guidesArea() const { return area_; }
    QList<GuideRow *> rows() const { return order_; }
    GuideRow *row(const QUuid &guideId) const { return rows_.value(guideId); }
    // Asked before a guide is deleted from a row; default: the editor's question.
    void setConfirmDeleteGuide(std::function<bool(QWidget *parent)> confirm) { confirmDelete_ = std::move(confirm); }

private:
    // The column's parts, top to bottom (built in this order: the Tab order).
    QLayout *makeBrand();
    QLayout *makeRecordButton();
    QLayout *makeListHeader();
    QWidget *makeEmptyText();
    QWidget *makeGuideList();
    QLayout *makeFooter();
    void syncRows();
    void syncSelection();

    AppModel &model_;
    NeuButton *record_;
    QLabel *empty_;
    QScrollArea *area_;
    QVBoxLayout *rowsLayout_;
    QHash<QUuid, GuideRow *> rows_;
    QList<GuideRow *> order_;
    GuideRow *selectedRow_ = nullptr;
    NearViewportLoader *thumbnails_;
    std::function<bool(QWidget *parent)> confirmDelete_;
};

// The guide to show once guideId is deleted: the next one down the list, else
// the one above, else none.
std::optional<QUuid> guideShownAfterDeleting(const QList<Guide> &guides, const QUuid &guideId);

} // namespace kelvo
