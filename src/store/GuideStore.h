// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Error.h"
#include "model/Guide.h"
#include "model/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <memory>
#include <optional>

class QLockFile;

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

    // root empty = defaultRootPath(). Loads every readable guide and changes
    // nothing on disk: the read-only commands use the store as it is.
    explicit GuideStore(Scheduler &scheduler, const QString &root = {}, QObject *parent = nullptr);
    // Writes every delayed save that has not fired yet.
    ~GuideStore() override;

    // KELVO_DATA_DIR when set and not empty, else the user's data location + "Kelvo/Guides".
    static QString defaultRootPath();

    // A guide folder that holds no readable guide, and why.
    struct Problem {
        QString folder;
        QString reason;
    };
    // What one pass over the data directory found.
    struct Library {
        QList<Guide> guides;            // newest first, one per id
        QHash<QUuid, QString> folders;  // the folder each listed guide was read from
        QSet<QUuid> sharedIds;          // ids found in more than one folder
        QList<Problem> problems;        // folders without a readable guide, in name order
    };
    static Library loadLibrary(const QString &root);
    // Every readable guide under root, newest first; unreadable entries are skipped.
    static QList<Guide> loadGuides(const QString &root) { return loadLibrary(root).guides; }

    const QList<Guide> &guides() const { return guides_; }
    const QString &rootPath() const { return root_; }
    // Folders under the root that hold no readable guide, as last loaded.
    const QList<Problem> &problems() const { return problems_; }
    // The folder the guide was read from, or for a new guide root/ID.
    QString folderPath(const QUuid &id) const;

    // Creates the data directory (owner-only) when it is missing: the desktop
    // application's start, never a read-only command.
    bool makeRootDirectory(Error *error = nullptr);

    // Removes screenshots no step refers to, for instance after steps were deleted
    // (desktop application only). Touches only files named step-<digits>.jpg in a
    // real folder whose guide.json was read, never one whose id another folder
    // shares and never one a recording holds.
    void removeOrphanImages();

    // Creates the guide's folder (and missing parents, owner-only). Returns its
    // path, or an empty string with errorText set.
    QString createFolder(const QUuid &id, QString *errorText = nullptr);

    // Takes the recording lock in a guide's folder: other Kelvo processes leave
    // the folder's files alone while it is held. Nothing, with errorText, on failure.
    static std::unique_ptr<QLockFile> lockForRecording(const QString &folder, QString *errorText = nullptr);

    std::optional<Guide> guideWithID(const QUuid &id) const;
    std::optional<GuideBinding> guideBinding(const QUuid &id);

    void update(const Guide &guide);
    // Lists the guide and saves it at once; false (with error) when the save failed.
    bool add(const Guide &guide, Error *error = nullptr);
    // Atomic write of guide.json. A failure leaves the old document, is logged and
    // announced with saveFailed; success announces saved.
    bool save(const Guide &guide, Error *error = nullptr);
    // Saves the guide as it is in memory now (Retry after a failed save).
    bool saveNow(const QUuid &id, Error *error = nullptr);
    void scheduleSave(const Guide &guide);
    // Removes the guide from the list and its folder from disk, Kelvo's files only;
    // false (with error) when some of them stay.
    bool deleteGuide(const QUuid &id, Error *error = nullptr);

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
    void saveFailed(const QUuid &id, const kelvo::Error &error);
    void saved(const QUuid &id);

private:
    void reload();
    void setGuides(QList<Guide> guides);
    static void sortNewestFirst(QList<Guide> &guides);

    struct PendingSave {
        Scheduler::TaskId task;
        Guide guide;
    };

    Scheduler &scheduler_;
    QString root_;
    QList<Guide> guides_;
    QHash<QUuid, QString> folders_;
    QSet<QUuid> sharedIds_;
    QList<Problem> problems_;
    QHash<QUuid, PendingSave> pending_;
};

// Creates path and any missing parents with mode 0700; existing ones are left as they are.
bool makePrivateDirectories(const QString &path, QString *errorText = nullptr);

} // namespace kelvo
