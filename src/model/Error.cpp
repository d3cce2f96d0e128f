// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Error.h"

#include <cstring>

namespace kelvo {

QString Error::reason() const
{
    return systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : QString();
}

QString Error::message() const
{
    const QString why = reason();
    return why.isEmpty() ? text : text + QStringLiteral(": ") + why;
}

Error Error::fromErrno(QString text, int systemError)
{
    return Error{std::move(text), systemError};
}

} // namespace kelvo
