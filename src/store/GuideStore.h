#pragma once

#include "model/Guide.h"
#include "model/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QHash>
#include <QUrl>

#include <optional>

namespace kelvo {

class GuideStore;

// Two-way binding to one stored guide. Reads give the stored guide, or once it is
// gone, the copy taken when the binding was made; writes go through update.
class GuideBinding {
public:
    GuideBinding(GuideStore *store, Guide snapshot);

    Guide get() const;
    void set(const Guide &guide) const;
    QUuid id() const { return snapshot_.id; }

private:
    QPointer<GuideStore> store_;
    Guide snapshot_;
};

// The one owner of guides in memory and on disk: one folder per guide under the
// data directory, guides kept newest first. All calls on the main thread.
class GuideStore : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds saveDelay{400};

    // root empty = defaultRootPath(). Creates the directory, loads every readable
    // guide and removes screenshots no step refers to.
    explicit GuideStore(Scheduler &scheduler, const QString &root = {}, QObject *parent = nullptr);
    // Writes every delayed save that has not fired yet.
    ~GuideStore() override;

    // KELVO_DATA_DIR when set and not empty, else the user's data location + "Kelvo/Guides".
    static QString defaultRootPath();
    // Every readable guide under root, newest first; unreadable entries are skipped.
    static QList<Guide> loadGuides(const QString &root);

    const QList<Guide> &guides() const { return guides_; }
    const QString &rootPath() const { return root_; }
    QString folderPath(const QUuid &id) const;

    // Creates the guide's folder (and missing parents, owner-only). Returns its
    // path, or an empty string with errorText set.
    QString createFolder(const QUuid &id, QString *errorText = nullptr);

    std::optional<Guide> guideWithID(const QUuid &id) const;
    std::optional<GuideBinding> guideBinding(const QUuid &id);

    void update(const Guide &guide);
    void add(const Guide &guide);
    // Atomic write of guide.json; failures are silent (false) and leave the old document.
    bool save(const Guide &guide);
    void scheduleSave(const Guide &guide);
    void deleteGuide(const QUuid &id);

    // Locations inside the guide's folder; nothing for names that are not bare
    // file names, and for the video also when no file exists there.
    std::optional<QUrl> videoURL(const Guide &guide) const;
    std::optional<QString> imagePath(const Guide &guide, const Step &step) const;

    // Writes pending delayed saves now (at quit).
    void flushPendingSaves();

    bool hasPendingSave(const QUuid &id) const { return pending_.contains(id); }

signals:
    // Emitted only when the list really changed.
    void guidesChanged();

private:
    void reload();
    void removeOrphanImages();
    void setGuides(QList<Guide> guides);
    static void sortNewestFirst(QList<Guide> &guides);

    struct PendingSave {
        Scheduler::TaskId task;
        Guide guide;
    };

    Scheduler &scheduler_;
    QString root_;
    QList<Guide> guides_;
    QHash<QUuid, PendingSave> pending_;
};

// Creates path and any missing parents with mode 0700; existing ones are left as they are.
bool makePrivateDirectories(const QString &path, QString *errorText = nullptr);

} // namespace kelvo
