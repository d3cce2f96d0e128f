// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace kelvo::test {

// The hostile data directory of tests/corpus/hostile-data, copied into a
// temporary folder (links stay links) with the cases git cannot hold added.
class HostileDataDir {
public:
    HostileDataDir();

    bool isValid() const { return error_.isEmpty() && dir_.isValid(); }
    const QString &error() const { return error_; }
    // The data directory and the user's other files beside it.
    QString dataPath() const { return dir_.filePath(QStringLiteral("data")); }
    QString outsidePath() const { return dir_.filePath(QStringLiteral("outside")); }
    QString rootPath() const { return dir_.path(); }

    // Ids of the guides a read of the data directory lists.
    static QStringList listedIds();

private:
    QTemporaryDir dir_;
    QString error_;
};

// Every entry under root, without following links or opening anything but
// regular files: type, mode, size, modification time, link target and a hash
// of the content. Two equal snapshots mean the tree was not changed.
QMap<QString, QString> snapshotTree(const QString &root);

} // namespace kelvo::test
