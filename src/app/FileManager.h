#pragma once

#include <QString>

namespace kelvo {

// Shows path selected in the desktop's file manager (org.freedesktop.FileManager1);
// where none answers, opens the folder that holds it. The path is not checked first.
void revealInFileManager(const QString &path);

} // namespace kelvo
