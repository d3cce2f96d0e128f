// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

namespace kelvo::test {

// A private data directory for one test, with KELVO_DATA_DIR pointing at it
// while the object lives, so no test ever touches the user's real guides.
class TempDataDir {
public:
    TempDataDir();
    ~TempDataDir();
    TempDataDir(const TempDataDir &) = delete;
    TempDataDir &operator=(const TempDataDir &) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString &relative) const { return dir_.filePath(relative); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

} // namespace kelvo::test
